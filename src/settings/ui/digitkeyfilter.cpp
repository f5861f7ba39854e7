#include "settings/ui/digitkeyfilter.h"

#include <QCoreApplication>
#include <QKeyEvent>

void DigitKeyFilter::install(QObject* field) {
    field->installEventFilter(new DigitKeyFilter(field));
}

bool DigitKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    const QChar typed = text.isEmpty() ? QChar() : text.at(0);
    if (text.isEmpty() || (typed >= QLatin1Char('0') && typed <= QLatin1Char('9')) ||
        typed.category() == QChar::Other_Control)
        return false;
    QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
    QCoreApplication::sendEvent(watched, &backspace);
    return true;
}
