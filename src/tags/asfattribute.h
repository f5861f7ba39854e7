#pragma once

#include <QByteArray>
#include <QString>

// One attribute value as an ASF file stores it: a type and its little-endian bytes.
struct AsfAttribute {
    enum Type : quint16 { Text = 0, Bytes = 1, Bool = 2, DWord = 3, QWord = 4, Word = 5 };

    quint16 type = Text;
    QByteArray data;

    // A text as UTF-16LE with its terminator.
    static AsfAttribute fromText(const QString& text);
    static AsfAttribute fromDWord(quint32 value);
    // WM/Picture: picture type 3 (front cover), its 32-bit size, the MIME
    // type and an empty description as terminated UTF-16LE texts, the bytes.
    static AsfAttribute fromFrontCover(const QByteArray& picture, const QString& mimeType);

    // The picture bytes of a WM/Picture value; false for a value that is not
    // a well-formed picture (its stated size and its texts must fit exactly).
    bool picture(QByteArray& bytes) const;
    // The text up to its terminator; empty for a value that is not a text.
    QString text() const;
    // The value of a number (or of a text that starts with digits); false when there is none.
    bool number(quint64& value) const;
};
