#include "tags/asfheader.h"

#include "tags/tagfilerewrite.h"

#include <algorithm>
#include <QIODevice>
#include <QtEndian>

namespace {

// A Header Object bigger than this is not a music file's.
constexpr qint64 kMaxHeaderSize = 64 << 20;
constexpr int kObjectHeader = 24;
constexpr int kHeaderPrefix = 30;

const QByteArray kHeaderGuid("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C",
                             16);
const QByteArray kDataGuid("\x36\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
const QByteArray
    kFilePropertiesGuid("\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65", 16);
const QByteArray
    kDescriptionGuid("\x33\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
const QByteArray kExtendedGuid("\x40\xA4\xD0\xD2\x07\xE3\xD2\x11\x97\xF0\x00\xA0\xC9\x5E\xA8\x50",
                               16);
const QByteArray kExtensionGuid("\xB5\x03\xBF\x5F\x2E\xA9\xCF\x11\x8E\xE3\x00\xC0\x0C\x20\x53\x65",
                                16);
const QByteArray kLibraryGuid("\x94\x1C\x23\x44\x98\x94\xD1\x49\xA1\x41\x1D\x13\x4E\x45\x70\x54",
                              16);
// A new Header Extension object's reserved GUID and number, as fixed for it.
const QByteArray
    kExtensionReserved("\x11\xD2\xD3\xAB\xBA\xA9\xCF\x11\x8E\xE6\x00\xC0\x0C\x20\x53\x65\x06\x00",
                       18);
// The Header Extension's body: that reserved part, then the size of the objects it holds.
constexpr int kExtensionPrefix = 22;

// The Content Description object's texts, in their stored order.
const std::array<const char*, 5> kDescriptionNames{"Title", "Author", "Copyright", "Description",
                                                   "Rating"};
// In the File Properties object's body: the file's size in bytes.
constexpr int kFileSizeOffset = 16;

int descriptionIndex(const QString& name) {
    for (int i = 0; i < int(kDescriptionNames.size()); ++i)
        if (name.compare(QLatin1String(kDescriptionNames[i]), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

template <typename T> void append(QByteArray& out, T value) {
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

QByteArray utf16WithTerminator(const QString& text) {
    return AsfAttribute::fromText(text).data;
}

// Reads little-endian numbers from a byte array without running past its end.
class Cursor {
public:
    explicit Cursor(const QByteArray& bytes) : m_bytes(bytes) {}
    template <typename T> bool take(T& value) {
        if (m_bytes.size() - m_offset < int(sizeof(T)))
            return false;
        value = qFromLittleEndian<T>(m_bytes.constData() + m_offset);
        m_offset += sizeof(T);
        return true;
    }
    bool take(int length, QByteArray& value) {
        if (length < 0 || m_bytes.size() - m_offset < length)
            return false;
        value = m_bytes.mid(m_offset, length);
        m_offset += length;
        return true;
    }

private:
    const QByteArray& m_bytes;
    int m_offset = 0;
};

} // namespace

// Objects one after the other, each with its GUID and size in front.
QByteArray AsfHeader::joined(const QList<Object>& objects) {
    QByteArray bytes;
    for (const Object& object : objects) {
        bytes.append(object.guid);
        append<quint64>(bytes, quint64(object.body.size() + kObjectHeader));
        bytes.append(object.body);
    }
    return bytes;
}

bool AsfHeader::fail(const QString& text) const {
    m_error = text;
    return false;
}

bool AsfHeader::read(QIODevice& file) {
    *this = AsfHeader();
    m_fileSize = file.size();
    if (!file.seek(0))
        return fail(file.errorString());
    const QByteArray prefix = file.read(kHeaderPrefix);
    if (prefix.size() != kHeaderPrefix || !prefix.startsWith(kHeaderGuid))
        return fail(QStringLiteral("The file is not an ASF file"));
    m_headerSize = static_cast<qint64>(qFromLittleEndian<quint64>(prefix.constData() + 16));
    if (m_headerSize < kHeaderPrefix || m_headerSize > m_fileSize || m_headerSize > kMaxHeaderSize)
        return fail(QStringLiteral("The file's header has a wrong size"));
    m_reserved = prefix.mid(28, 2);
    const QByteArray header = prefix + file.read(m_headerSize - kHeaderPrefix);
    if (header.size() != m_headerSize)
        return fail(QStringLiteral("The file ends inside its header"));
    if (!parseObjects(header))
        return false;
    m_dataFollows = file.read(16) == kDataGuid;
    return true;
}

bool AsfHeader::splitObjects(const QByteArray& bytes, int offset, int end, QList<Object>& objects) {
    while (offset < end) {
        if (end - offset < kObjectHeader)
            return fail(QStringLiteral("The file's header is damaged"));
        const quint64 size = qFromLittleEndian<quint64>(bytes.constData() + offset + 16);
        if (size < quint64(kObjectHeader) || size > quint64(end - offset))
            return fail(QStringLiteral("The file's header is damaged"));
        objects.append({bytes.mid(offset, 16),
                        bytes.mid(offset + kObjectHeader, static_cast<int>(size) - kObjectHeader)});
        offset += static_cast<int>(size);
    }
    return true;
}

bool AsfHeader::parseObjects(const QByteArray& header) {
    bool hasFileProperties = false;
    QList<Object> objects;
    if (!splitObjects(header, kHeaderPrefix, header.size(), objects))
        return false;
    for (const Object& object : objects) {
        if (object.guid == kFilePropertiesGuid) {
            if (object.body.size() < kFileSizeOffset + 8)
                return fail(QStringLiteral("The file's header is damaged"));
            hasFileProperties = true;
        } else if (object.guid == kDescriptionGuid) {
            // Only the first of a kind counts; the writer drops the others.
            if (m_hasDescription)
                continue;
            if (!parseDescription(object.body))
                return false;
        } else if (object.guid == kExtendedGuid) {
            if (m_hasExtended)
                continue;
            if (!parseExtended(object.body))
                return false;
        } else if (object.guid == kExtensionGuid) {
            if (m_hasExtension || m_extensionDamaged)
                continue;
            // A damaged one stays as it is: only a value over 64 KB needs it.
            if (!parseExtension(object.body)) {
                m_extensionDamaged = true;
                m_error.clear();
                m_extensionObjects.clear();
                m_library.clear();
                m_hasLibrary = false;
            }
        }
        m_objects.append(object);
    }
    if (!hasFileProperties)
        return fail(QStringLiteral("The file's header has no file properties"));
    return true;
}

bool AsfHeader::parseDescription(const QByteArray& body) {
    Cursor cursor(body);
    std::array<quint16, 5> lengths{};
    for (quint16& length : lengths)
        if (!cursor.take(length))
            return fail(QStringLiteral("The file's content description is damaged"));
    for (size_t i = 0; i < lengths.size(); ++i)
        if (!cursor.take(lengths[i], m_description[i]))
            return fail(QStringLiteral("The file's content description is damaged"));
    m_hasDescription = true;
    return true;
}

bool AsfHeader::parseExtended(const QByteArray& body) {
    Cursor cursor(body);
    quint16 count = 0;
    if (!cursor.take(count))
        return fail(QStringLiteral("The file's extended content description is damaged"));
    for (int i = 0; i < count; ++i) {
        quint16 nameLength = 0, valueLength = 0;
        QByteArray name;
        Descriptor descriptor;
        if (!cursor.take(nameLength) || !cursor.take(nameLength, name) ||
            !cursor.take(descriptor.value.type) || !cursor.take(valueLength) ||
            !cursor.take(valueLength, descriptor.value.data))
            return fail(QStringLiteral("The file's extended content description is damaged"));
        descriptor.name = AsfAttribute{AsfAttribute::Text, name}.text();
        m_extended.append(descriptor);
    }
    m_hasExtended = true;
    return true;
}

bool AsfHeader::parseExtension(const QByteArray& body) {
    if (body.size() < kExtensionPrefix)
        return fail(QStringLiteral("The file's header extension is damaged"));
    const quint32 dataSize = qFromLittleEndian<quint32>(body.constData() + kExtensionPrefix - 4);
    if (dataSize > quint32(body.size() - kExtensionPrefix))
        return fail(QStringLiteral("The file's header extension is damaged"));
    m_extensionReserved = body.left(kExtensionPrefix - 4);
    if (!splitObjects(body, kExtensionPrefix, kExtensionPrefix + int(dataSize), m_extensionObjects))
        return false;
    for (int i = 0; i < m_extensionObjects.size();) {
        if (m_extensionObjects[i].guid != kLibraryGuid) {
            ++i;
        } else if (m_hasLibrary) {
            m_extensionObjects.removeAt(i);
        } else {
            if (!parseLibrary(m_extensionObjects[i++].body))
                return false;
        }
    }
    m_hasExtension = true;
    return true;
}

bool AsfHeader::parseLibrary(const QByteArray& body) {
    Cursor cursor(body);
    quint16 count = 0;
    if (!cursor.take(count))
        return fail(QStringLiteral("The file's metadata library is damaged"));
    for (int i = 0; i < count; ++i) {
        LibraryRecord record;
        quint16 nameLength = 0;
        quint32 valueLength = 0;
        QByteArray name;
        if (!cursor.take(record.language) || !cursor.take(record.stream) ||
            !cursor.take(nameLength) || !cursor.take(record.descriptor.value.type) ||
            !cursor.take(valueLength) || valueLength > quint32(body.size()) ||
            !cursor.take(nameLength, name) ||
            !cursor.take(int(valueLength), record.descriptor.value.data))
            return fail(QStringLiteral("The file's metadata library is damaged"));
        record.descriptor.name = AsfAttribute{AsfAttribute::Text, name}.text();
        m_library.append(record);
    }
    m_hasLibrary = true;
    return true;
}

std::optional<AsfAttribute> AsfHeader::attribute(const QString& name) const {
    const int index = descriptionIndex(name);
    if (index >= 0 && m_hasDescription) {
        const AsfAttribute stored{AsfAttribute::Text, m_description[index]};
        if (!stored.text().isEmpty())
            return stored;
    }
    for (const Descriptor& descriptor : m_extended)
        if (descriptor.name.compare(name, Qt::CaseInsensitive) == 0)
            return descriptor.value;
    for (const LibraryRecord& record : m_library)
        if (record.stream == 0 && record.descriptor.name.compare(name, Qt::CaseInsensitive) == 0)
            return record.descriptor.value;
    if (index >= 0 && m_hasDescription)
        return AsfAttribute{AsfAttribute::Text, m_description[index]};
    return std::nullopt;
}

void AsfHeader::setAttribute(const QString& name, const AsfAttribute& value) {
    const int index = descriptionIndex(name);
    const bool described = index >= 0 && value.type == AsfAttribute::Text;
    const bool large = !described && value.data.size() > 0xFFFF;
    if (described) {
        m_hasDescription = true;
        m_description[index] = value.data;
    }
    m_library.erase(std::remove_if(m_library.begin(), m_library.end(),
                                   [&name](const LibraryRecord& record) {
                                       return record.stream == 0 &&
                                              record.descriptor.name.compare(
                                                  name, Qt::CaseInsensitive) == 0;
                                   }),
                    m_library.end());
    if (large) {
        m_hasExtension = true;
        m_hasLibrary = true;
        m_library.append({0, 0, {name, value}});
    }
    bool placed = described || large;
    for (int i = 0; i < m_extended.size();) {
        if (m_extended[i].name.compare(name, Qt::CaseInsensitive) != 0) {
            ++i;
        } else if (!placed) {
            m_extended[i++].value = value;
            placed = true;
        } else {
            m_extended.removeAt(i);
        }
    }
    if (!placed) {
        m_hasExtended = true;
        m_extended.append({name, value});
    }
}

QByteArray AsfHeader::descriptionBody() const {
    QByteArray body;
    for (const QByteArray& text : m_description)
        append<quint16>(body, static_cast<quint16>(text.size()));
    for (const QByteArray& text : m_description)
        body.append(text);
    return body;
}

QByteArray AsfHeader::extendedBody() const {
    QByteArray body;
    append<quint16>(body, static_cast<quint16>(m_extended.size()));
    for (const Descriptor& descriptor : m_extended) {
        const QByteArray name = utf16WithTerminator(descriptor.name);
        append<quint16>(body, static_cast<quint16>(name.size()));
        body.append(name);
        append<quint16>(body, descriptor.value.type);
        append<quint16>(body, static_cast<quint16>(descriptor.value.data.size()));
        body.append(descriptor.value.data);
    }
    return body;
}

QByteArray AsfHeader::libraryBody() const {
    QByteArray body;
    append<quint16>(body, static_cast<quint16>(m_library.size()));
    for (const LibraryRecord& record : m_library) {
        const QByteArray name = utf16WithTerminator(record.descriptor.name);
        append<quint16>(body, record.language);
        append<quint16>(body, record.stream);
        append<quint16>(body, static_cast<quint16>(name.size()));
        append<quint16>(body, record.descriptor.value.type);
        append<quint32>(body, static_cast<quint32>(record.descriptor.value.data.size()));
        body.append(name);
        body.append(record.descriptor.value.data);
    }
    return body;
}

QByteArray AsfHeader::extensionBody() const {
    QList<Object> objects = m_extensionObjects;
    bool library = false;
    for (Object& object : objects)
        if (object.guid == kLibraryGuid) {
            object.body = libraryBody();
            library = true;
        }
    if (m_hasLibrary && !library)
        objects.append({kLibraryGuid, libraryBody()});
    const QByteArray children = joined(objects);
    QByteArray body = m_extensionReserved.isEmpty() ? kExtensionReserved : m_extensionReserved;
    append<quint32>(body, quint32(children.size()));
    return body + children;
}

bool AsfHeader::write(QIODevice& source, QIODevice& destination) const {
    if (m_headerSize == 0)
        return fail(QStringLiteral("The file's header was not read"));
    if (!m_dataFollows)
        return fail(QStringLiteral("The file has no data after its header"));
    for (const QByteArray& text : m_description)
        if (text.size() > 0xFFFF)
            return fail(QStringLiteral("A text is too long for the file's header"));
    if (m_extended.size() > 0xFFFF)
        return fail(QStringLiteral("The file has too many attributes"));
    for (const Descriptor& descriptor : m_extended)
        if (descriptor.value.data.size() > 0xFFFF || descriptor.name.size() > 0x7FFE)
            return fail(QStringLiteral("An attribute is too long for the file's header"));
    if (m_extensionDamaged && m_hasLibrary)
        return fail(QStringLiteral("The file's header extension is damaged"));
    if (m_library.size() > 0xFFFF)
        return fail(QStringLiteral("The file has too many attributes"));
    for (const LibraryRecord& record : m_library)
        if (record.descriptor.name.size() > 0x7FFE)
            return fail(QStringLiteral("An attribute is too long for the file's header"));

    QList<Object> objects = m_objects;
    bool description = false, extended = false, extension = false;
    for (Object& object : objects) {
        if (object.guid == kDescriptionGuid) {
            object.body = descriptionBody();
            description = true;
        } else if (object.guid == kExtendedGuid) {
            object.body = extendedBody();
            extended = true;
        } else if (object.guid == kExtensionGuid && !m_extensionDamaged) {
            object.body = extensionBody();
            extension = true;
        }
    }
    if (m_hasDescription && !description)
        objects.append({kDescriptionGuid, descriptionBody()});
    if (m_hasExtended && !extended)
        objects.append({kExtendedGuid, extendedBody()});
    if (m_hasExtension && !extension)
        objects.append({kExtensionGuid, extensionBody()});

    const QByteArray children = joined(objects);
    const qint64 newHeaderSize = kHeaderPrefix + children.size();
    const qint64 newFileSize = m_fileSize - m_headerSize + newHeaderSize;
    QByteArray header = kHeaderGuid;
    append<quint64>(header, quint64(newHeaderSize));
    append<quint32>(header, quint32(objects.size()));
    header.append(m_reserved);
    header.append(children);

    // The file's size in File Properties changes with the header; a stream
    // that did not know its size (broadcast) keeps the value it had.
    int offset = kHeaderPrefix;
    for (const Object& object : objects) {
        if (object.guid == kFilePropertiesGuid) {
            char* size = header.data() + offset + kObjectHeader + kFileSizeOffset;
            if (qint64(qFromLittleEndian<quint64>(size)) == m_fileSize)
                qToLittleEndian(quint64(newFileSize), size);
        }
        offset += kObjectHeader + object.body.size();
    }

    if (destination.write(header) != header.size())
        return fail(destination.errorString());
    if (!copyToEnd(source, m_headerSize, destination))
        return fail(QStringLiteral("The file could not be copied"));
    return true;
}
