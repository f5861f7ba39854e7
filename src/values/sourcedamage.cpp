#include "values/sourcedamage.h"

#include <QCoreApplication>

QString SourceDamage::timeText(qint64 frames, int sampleRate) {
    const qint64 hundredths = sampleRate > 0 ? frames * 100 / sampleRate : 0;
    return QStringLiteral("%1:%2.%3")
        .arg(hundredths / 6000)
        .arg(hundredths / 100 % 60, 2, 10, QLatin1Char('0'))
        .arg(hundredths % 100, 2, 10, QLatin1Char('0'));
}

QString SourceDamage::text() const {
    if (!isDamaged())
        return {};
    if (endFrame >= 0)
        return QCoreApplication::translate("SourceDamage", "The source ends at %1 of %2")
            .arg(timeText(endFrame, sampleRate), timeText(declaredFrames, sampleRate));
    return QCoreApplication::translate("SourceDamage", "The source holds damaged data from %1")
        .arg(timeText(corruptFrame, sampleRate));
}

QString SourceDamage::shortText() const {
    if (!isDamaged())
        return {};
    if (endFrame >= 0)
        return QCoreApplication::translate("SourceDamage", "ends at %1 of %2")
            .arg(timeText(endFrame, sampleRate), timeText(declaredFrames, sampleRate));
    return QCoreApplication::translate("SourceDamage", "damaged data from %1")
        .arg(timeText(corruptFrame, sampleRate));
}
