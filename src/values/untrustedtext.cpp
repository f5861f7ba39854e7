#include "values/untrustedtext.h"

QString cleanUntrustedText(const QString& text, int maxLength) {
    QString out;
    out.reserve(qMin(text.size(), maxLength + 1));
    for (const QChar c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t'))
            out += QLatin1Char(' ');
        else if (c.category() != QChar::Other_Control && c != QChar::ReplacementCharacter)
            out += c;
    }
    out = out.trimmed();
    if (out.size() > maxLength) {
        int cut = maxLength;
        if (cut > 0 && out.at(cut - 1).isHighSurrogate())
            --cut;
        out.truncate(cut);
        out = out.trimmed();
    }
    return out;
}
