#pragma once

#include <QObject>

// For the settings fields that hold a number: a typed character other than a
// decimal digit works as a backspace, deleting the character before the
// caret. Keys without text (arrows, Delete) and control characters (Backspace,
// Enter, paste) pass as usual.
class DigitKeyFilter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Gives `field` a filter of its own, which it owns.
    static void install(QObject* field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
