#include "values/tagtext.h"

namespace TagText {

QString trimmed(const QString& text) {
    int begin = 0;
    int end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

QString cutToUtf8Bytes(const QString& text, int maxBytes) {
    int bytes = 0;
    int i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        int units = 1;
        int length;
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            units = 2;
            length = 4;
        } else if (c.unicode() < 0x80) {
            length = 1;
        } else if (c.unicode() < 0x800) {
            length = 2;
        } else {
            length = 3; // a lone surrogate becomes U+FFFD, also three bytes
        }
        if (bytes + length > maxBytes)
            break;
        bytes += length;
        i += units;
    }
    return text.left(i);
}

QString cutToUtf16Units(const QString& text, int maxUnits) {
    if (text.size() <= maxUnits)
        return text;
    int n = maxUnits;
    if (n > 0 && text.at(n - 1).isHighSurrogate())
        --n;
    return text.left(n);
}

QString upToZero(const QString& text) {
    const int zero = text.indexOf(QChar(0));
    return zero < 0 ? text : text.left(zero);
}

} // namespace TagText
