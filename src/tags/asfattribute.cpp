#include "tags/asfattribute.h"

#include "values/tagtext.h"

#include <QtEndian>

AsfAttribute AsfAttribute::fromText(const QString& text) {
    AsfAttribute attribute;
    attribute.type = Text;
    for (QChar c : text) {
        attribute.data.append(static_cast<char>(c.unicode() & 0xFF));
        attribute.data.append(static_cast<char>(c.unicode() >> 8));
    }
    attribute.data.append(2, '\0');
    return attribute;
}

AsfAttribute AsfAttribute::fromDWord(quint32 value) {
    AsfAttribute attribute;
    attribute.type = DWord;
    attribute.data.resize(4);
    qToLittleEndian(value, attribute.data.data());
    return attribute;
}

AsfAttribute AsfAttribute::fromFrontCover(const QByteArray& picture, const QString& mimeType) {
    AsfAttribute attribute;
    attribute.type = Bytes;
    attribute.data.append('\x03');
    char size[4];
    qToLittleEndian(quint32(picture.size()), size);
    attribute.data.append(size, 4);
    attribute.data.append(fromText(mimeType).data);
    attribute.data.append(fromText(QString()).data);
    attribute.data.append(picture);
    return attribute;
}

bool AsfAttribute::picture(QByteArray& bytes) const {
    if (type != Bytes || data.size() < 5)
        return false;
    const quint32 size = qFromLittleEndian<quint32>(data.constData() + 1);
    int at = 5;
    for (int texts = 0; texts < 2; ++texts) { // the MIME type, the description
        while (at + 1 < data.size() && (data.at(at) || data.at(at + 1)))
            at += 2;
        at += 2;
        if (at > data.size())
            return false;
    }
    if (quint32(data.size() - at) != size)
        return false;
    bytes = data.mid(at);
    return true;
}

QString AsfAttribute::text() const {
    if (type != Text)
        return {};
    QString result;
    for (int i = 0; i + 1 < data.size(); i += 2)
        result.append(QChar(qFromLittleEndian<quint16>(data.constData() + i)));
    return TagText::upToZero(result);
}

bool AsfAttribute::number(quint64& value) const {
    switch (type) {
    case Bool:
    case DWord:
        if (data.size() != 4)
            return false;
        value = qFromLittleEndian<quint32>(data.constData());
        return true;
    case QWord:
        if (data.size() != 8)
            return false;
        value = qFromLittleEndian<quint64>(data.constData());
        return true;
    case Word:
        if (data.size() != 2)
            return false;
        value = qFromLittleEndian<quint16>(data.constData());
        return true;
    case Text: {
        // Track numbers are often stored as texts such as "7" or "7/12".
        const QString digits = text().trimmed();
        int end = 0;
        while (end < digits.size() && end < 9 && digits.at(end).isDigit() &&
               digits.at(end).unicode() < 0x80)
            ++end;
        if (end == 0)
            return false;
        value = digits.left(end).toULongLong();
        return true;
    }
    default:
        return false;
    }
}
