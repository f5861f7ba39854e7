#pragma once

#include <QComboBox>

// A drop-down list whose entries may be longer than the box, as an image's
// path is: the box shows the current entry cut in the middle (both the start
// and the file name stay readable), its tooltip the whole entry, and the open
// list is wide enough for the longest one.
class ElidingComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ElidingComboBox(QWidget* parent = nullptr);

    // The box's text as it is shown.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showPopup() override;

private:
    void followCurrent();
};
