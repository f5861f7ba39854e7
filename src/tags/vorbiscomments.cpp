#include "tags/vorbiscomments.h"

#include "components/loudness/loudnessmeter.h"
#include "tags/flacpicture.h"
#include "tags/tstrcomments.h"
#include "values/tagtext.h"

#include <array>
#include <QtEndian>

namespace {

struct Key {
    const char* name;
    QString OGGTag::*value;
};

// Read: in the record's order; written: in the order below.
const std::array<Key, 7> ReadKeys{{{"album", &OGGTag::album},
                                   {"title", &OGGTag::title},
                                   {"artist", &OGGTag::artist},
                                   {"comment", &OGGTag::comment},
                                   {"genre", &OGGTag::genre},
                                   {"date", &OGGTag::year},
                                   {"tracknumber", &OGGTag::track}}};
const std::array<Key, 7> WriteKeys{{{"Title=", &OGGTag::title},
                                    {"Artist=", &OGGTag::artist},
                                    {"Album=", &OGGTag::album},
                                    {"TrackNumber=", &OGGTag::track},
                                    {"Date=", &OGGTag::year},
                                    {"Genre=", &OGGTag::genre},
                                    {"Comment=", &OGGTag::comment}}};

QByteArray comment(const char* name, const QString& value) {
    return QByteArray(name) + '=' + value.toUtf8();
}

void appendLength(QByteArray& out, quint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void addLoudness(QList<QByteArray>& out, const ReplayGainValues& gain,
                 VorbisComments::Flavour flavour) {
    using namespace ReplayGain;
    if (flavour == VorbisComments::Flavour::Opus) {
        // Opus gains are relative to -23 LUFS; a ReplayGain gain is towards -18.
        const auto r128 = [](double gainDb) {
            return QString::number(r128Gain(ReferenceLufs - gainDb));
        };
        if (gain.trackGain)
            out << comment("R128_TRACK_GAIN", r128(*gain.trackGain));
        if (gain.albumGain)
            out << comment("R128_ALBUM_GAIN", r128(*gain.albumGain));
        return;
    }
    if (gain.trackGain)
        out << comment("REPLAYGAIN_TRACK_GAIN", gainText(*gain.trackGain));
    if (gain.trackPeak)
        out << comment("REPLAYGAIN_TRACK_PEAK", peakText(*gain.trackPeak));
    if (gain.albumGain)
        out << comment("REPLAYGAIN_ALBUM_GAIN", gainText(*gain.albumGain));
    if (gain.albumPeak)
        out << comment("REPLAYGAIN_ALBUM_PEAK", peakText(*gain.albumPeak));
}

} // namespace

namespace VorbisComments {

QList<QByteArray> build(const OGGTag& tag, const TagExtras& extras, Flavour flavour,
                        bool pictureComment) {
    QList<QByteArray> out;
    for (const Key& key : WriteKeys) {
        const QString& value = tag.*key.value;
        if (!value.isEmpty())
            out << key.name + value.toUtf8();
    }
    addLoudness(out, extras.gain, flavour);
    if (!extras.isrc.isEmpty())
        out << comment("ISRC", extras.isrc);
    if (!extras.barcode.isEmpty())
        out << comment("BARCODE", extras.barcode);
    if (!extras.cueSheet.isEmpty())
        out << comment("CUESHEET", extras.cueSheet);
    if (pictureComment && !extras.cover.isEmpty())
        out << "METADATA_BLOCK_PICTURE=" + FlacPicture::block(extras.cover).toBase64();
    return out;
}

OGGTag tagFrom(const QList<QByteArray>& comments) {
    OGGTag tag;
    const TStrComments split(comments);
    for (const TStrComment& entry : split.entries()) {
        const QString name = entry.name.toLower();
        for (const Key& key : ReadKeys) {
            if (name == QLatin1String(key.name)) {
                tag.*key.value = entry.value;
                break;
            }
        }
    }
    for (const Key& key : ReadKeys)
        tag.*key.value = TagText::trimmed(tag.*key.value);
    return tag;
}

QByteArray block(const QByteArray& vendor, const QList<QByteArray>& comments) {
    QByteArray out;
    appendLength(out, quint32(vendor.size()));
    out.append(vendor);
    appendLength(out, quint32(comments.size()));
    for (const QByteArray& text : comments) {
        appendLength(out, quint32(text.size()));
        out.append(text);
    }
    return out;
}

bool parse(const QByteArray& data, int offset, QByteArray& vendor, QList<QByteArray>& comments) {
    auto readLength = [&](quint32& value) {
        if (offset < 0 || data.size() - offset < 4)
            return false;
        value = qFromLittleEndian<quint32>(data.constData() + offset);
        offset += 4;
        return true;
    };
    quint32 length = 0;
    if (!readLength(length) || length > quint32(data.size() - offset))
        return false;
    vendor = data.mid(offset, int(length));
    offset += int(length);
    quint32 count = 0;
    if (!readLength(count))
        return false;
    for (quint32 i = 0; i < count; ++i) {
        if (!readLength(length) || length > quint32(data.size() - offset))
            return false;
        comments.append(data.mid(offset, int(length)));
        offset += int(length);
    }
    return true;
}

} // namespace VorbisComments
