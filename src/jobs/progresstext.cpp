#include "jobs/progresstext.h"

#include "platform/muldiv.h"

#include <QCoreApplication>

#include <algorithm>

int progressHundredths(qint64 done, qint64 total) {
    if (total <= 0 || done <= 0)
        return 0;
    return int(std::min<qint64>(mulDiv(done, 10000, total), 9999));
}

QString hundredthsProgressText(int hundredths) {
    const QString s =
        QStringLiteral("%1").arg(std::clamp(hundredths, 0, 9999), 4, 10, QLatin1Char('0'));
    return s.left(2) + QLatin1Char('.') + s.right(2) + QLatin1Char('%');
}

QString ripProgressText(double percent) {
    if (!(percent > 0)) // also NaN
        percent = 0;
    // The shortest fixed form: enough digits for any percentage, trailing zeros dropped.
    QString text = QString::number(percent, 'f', 12);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('0');
    const int dot = text.indexOf(QLatin1Char('.'));
    QString whole = text.left(dot);
    if (whole.size() == 1)
        whole.prepend(QLatin1Char('0'));
    return whole + QLatin1Char('.') + text.mid(dot + 1, 2) + QLatin1Char('%');
}

QString encodingProgressText(int hundredths) {
    return QStringLiteral("\u00bb ") + hundredthsProgressText(hundredths);
}

QString encodingProgressDetail(int hundredths) {
    return QCoreApplication::translate("RipJob", "Encoding %1")
        .arg(hundredthsProgressText(hundredths));
}
