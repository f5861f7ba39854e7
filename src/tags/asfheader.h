#pragma once

#include "tags/asfattribute.h"

#include <array>
#include <optional>
#include <QByteArray>
#include <QList>
#include <QString>

class QIODevice;

// The Header Object at the start of an ASF (WMA, WMV) file, with the
// attributes of its Content Description object (Title, Author, Copyright,
// Description, Rating), its Extended Content Description object (all
// others, such as "WM/AlbumTitle") and the Metadata Library object inside its
// Header Extension object (values over 64 KB, such as a large WM/Picture).
// Every other object is kept as it is.
class AsfHeader {
public:
    // Reads and checks the whole Header Object; false for anything that is
    // not a well-formed one.
    bool read(QIODevice& file);

    // The attribute of that name (compared without case), if the file has it.
    std::optional<AsfAttribute> attribute(const QString& name) const;
    // Replaces every attribute of that name (of the whole file, not of one
    // stream); Title, Author, Copyright, Description and Rating take texts
    // only. A value over 64 KB goes into the Metadata Library, whose sizes
    // are 32-bit, as the Extended Content Description's are 16-bit.
    void setAttribute(const QString& name, const AsfAttribute& value);

    // Writes the file again: the changed Header Object, then everything that
    // followed the old one. Refuses a file without a Data Object after its header.
    bool write(QIODevice& source, QIODevice& destination) const;

    QString errorString() const { return m_error; }

private:
    struct Object {
        QByteArray guid;
        QByteArray body; // after the 24-byte object header
    };
    struct Descriptor {
        QString name;
        AsfAttribute value;
    };
    struct LibraryRecord {
        quint16 language = 0;
        quint16 stream = 0; // 0: the whole file
        Descriptor descriptor;
    };

    static QByteArray joined(const QList<Object>& objects);
    bool splitObjects(const QByteArray& bytes, int offset, int end, QList<Object>& objects);
    bool parseObjects(const QByteArray& header);
    bool parseExtension(const QByteArray& body);
    bool parseLibrary(const QByteArray& body);
    bool parseDescription(const QByteArray& body);
    bool parseExtended(const QByteArray& body);
    QByteArray descriptionBody() const;
    QByteArray extendedBody() const;
    QByteArray libraryBody() const;
    QByteArray extensionBody() const;
    bool fail(const QString& text) const;

    QList<Object> m_objects;
    QByteArray m_reserved;
    qint64 m_headerSize = 0;
    qint64 m_fileSize = 0;
    bool m_dataFollows = false;
    bool m_hasDescription = false;
    std::array<QByteArray, 5> m_description; // UTF-16LE, terminator included as stored
    bool m_hasExtended = false;
    QList<Descriptor> m_extended;
    bool m_hasExtension = false;
    bool m_extensionDamaged = false; // kept as read; no value over 64 KB can be written
    QByteArray m_extensionReserved;  // its reserved GUID and number
    QList<Object> m_extensionObjects;
    bool m_hasLibrary = false;
    QList<LibraryRecord> m_library;
    mutable QString m_error;
};
