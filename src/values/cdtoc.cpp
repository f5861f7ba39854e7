#include "values/cdtoc.h"

#include <QStringList>

namespace {

int digitSum(int n) {
    int sum = 0;
    for (; n > 0; n /= 10)
        sum += n % 10;
    return sum;
}

} // namespace

CdToc::CdToc(QVector<int> trackStarts, int leadout)
    : m_starts(std::move(trackStarts)), m_leadout(leadout) {}

QString CdToc::discId() const {
    if (m_starts.isEmpty())
        return QStringLiteral("00000000");
    int n = 0;
    for (const int start : m_starts)
        n += digitSum((start + LeadInFrames) / FramesPerSecond);
    const int t = (m_leadout + LeadInFrames) / FramesPerSecond -
                  (m_starts.first() + LeadInFrames) / FramesPerSecond;
    const quint32 id =
        (quint32(n % 255) << 24) | (quint32(t & 0xffff) << 8) | quint32(m_starts.size() & 0xff);
    return QStringLiteral("%1").arg(id, 8, 16, QLatin1Char('0'));
}

QString CdToc::queryArguments() const {
    QStringList parts{discId(), QString::number(m_starts.size())};
    for (const int start : m_starts)
        parts << QString::number(start + LeadInFrames);
    parts << QString::number((m_leadout + LeadInFrames) / FramesPerSecond);
    return parts.join(QLatin1Char(' '));
}

QString CdToc::toText() const {
    QStringList parts;
    for (const int start : m_starts)
        parts << QString::number(start);
    parts << QString::number(m_leadout);
    return parts.join(QLatin1Char(' '));
}

CdToc CdToc::fromText(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() < 2)
        return {};
    QVector<int> numbers;
    for (const QString& part : parts) {
        bool ok = false;
        const int value = part.toInt(&ok);
        if (!ok || value < 0 || (!numbers.isEmpty() && value <= numbers.last()))
            return {};
        numbers << value;
    }
    const int leadout = numbers.takeLast();
    return CdToc(numbers, leadout);
}
