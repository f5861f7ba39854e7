#include "components/cdio/sheetimage.h"

#include "values/untrustedtext.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <FLAC/stream_decoder.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int FrameBytes = 2352;
constexpr int SamplesPerFrame = 588;

QString shown(const QString& path) {
    return cleanUntrustedText(QDir::toNativeSeparators(path), 4096);
}

} // namespace

// One data file of the image, read by frames: raw bytes (BINARY, MOTOROLA),
// the PCM of a WAV file, or a FLAC file decoded as it goes.
class SheetImage::File {
public:
    ~File() {
        // A decoder that took the stream closes it itself.
        if (m_decoder)
            FLAC__stream_decoder_delete(m_decoder);
        if (m_stream && !m_decoderOwnsStream)
            std::fclose(m_stream);
        else if (!m_stream && m_fd >= 0)
            ::close(m_fd);
    }

    // Opens a regular file, never waiting on a pipe or a device.
    bool open(const QString& path, const QString& type, QString* error) {
        m_fd = ::open(QFile::encodeName(path).constData(),
                      O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        struct stat st {};
        if (m_fd < 0 || ::fstat(m_fd, &st) != 0) {
            *error = QStringLiteral("Cannot open %1: %2.")
                         .arg(shown(path), QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            *error = QStringLiteral("%1 is not a regular file.").arg(shown(path));
            return false;
        }
        char magic[4] = {};
        const bool sniffed = ::pread(m_fd, magic, 4, 0) == 4;
        if (type == QLatin1String("WAVE") && sniffed && std::memcmp(magic, "fLaC", 4) == 0)
            return openFlac(path, error);
        if (type == QLatin1String("WAVE") && sniffed && std::memcmp(magic, "RIFF", 4) == 0)
            return openWav(path, st.st_size, error);
        if (type == QLatin1String("BINARY") || type == QLatin1String("MOTOROLA")) {
            m_bigEndian = type == QLatin1String("MOTOROLA");
            return whole(path, st.st_size, error);
        }
        *error = QStringLiteral("%1 is no WAV, FLAC or raw CD audio that Orvelle reads.")
                     .arg(shown(path));
        return false;
    }

    int frames() const { return int(m_bytes / FrameBytes); }

    // count frames from frame into buffer, little-endian.
    bool read(int frame, int count, char* buffer) {
        if (m_decoder)
            return readFlac(qint64(frame) * SamplesPerFrame, count, buffer);
        const qint64 bytes = qint64(count) * FrameBytes;
        if (::pread(m_fd, buffer, size_t(bytes), m_offset + qint64(frame) * FrameBytes) != bytes)
            return false;
        if (m_bigEndian)
            qbswap<2>(buffer, bytes / 2, buffer);
        return true;
    }

private:
    bool whole(const QString& path, qint64 bytes, QString* error) {
        m_bytes = bytes;
        if (bytes % FrameBytes == 0 && bytes > 0)
            return true;
        *error = QStringLiteral("%1 does not hold whole CD frames of 2352 bytes.").arg(shown(path));
        return false;
    }

    bool openWav(const QString& path, qint64 size, QString* error) {
        // The chunks up to "data": "fmt " must say 44100 Hz, 16 bits, stereo PCM.
        bool format = false;
        for (qint64 at = 12; at + 8 <= size;) {
            char head[8];
            if (::pread(m_fd, head, 8, at) != 8)
                break;
            const quint32 length = qFromLittleEndian<quint32>(head + 4);
            if (std::memcmp(head, "fmt ", 4) == 0 && length >= 16) {
                uchar fmt[16];
                if (::pread(m_fd, fmt, 16, at + 8) != 16)
                    break;
                const int tag = qFromLittleEndian<quint16>(fmt);
                format = (tag == 1 || tag == 0xfffe) && qFromLittleEndian<quint16>(fmt + 2) == 2 &&
                         qFromLittleEndian<quint32>(fmt + 4) == 44100 &&
                         qFromLittleEndian<quint16>(fmt + 14) == 16;
            } else if (std::memcmp(head, "data", 4) == 0) {
                if (!format)
                    break;
                m_offset = at + 8;
                return whole(path, qMin<qint64>(length, size - m_offset), error);
            }
            at += 8 + qint64(length) + (length & 1);
        }
        *error = QStringLiteral("%1 is no WAV file of CD audio (44100 Hz, 16-bit stereo).")
                     .arg(shown(path));
        return false;
    }

    bool openFlac(const QString& path, QString* error) {
        const auto refuse = [&] {
            *error = QStringLiteral("%1 is no FLAC file of CD audio (44100 Hz, 16-bit stereo, "
                                    "whole frames).")
                         .arg(shown(path));
            return false;
        };
        m_stream = ::fdopen(m_fd, "rb");
        m_decoder = FLAC__stream_decoder_new();
        if (!m_stream || !m_decoder)
            return refuse();
        m_decoderOwnsStream = FLAC__stream_decoder_init_FILE(
                                  m_decoder, m_stream, &File::onWrite, &File::onMetadata,
                                  &File::onError, this) == FLAC__STREAM_DECODER_INIT_STATUS_OK;
        if (!m_decoderOwnsStream || !FLAC__stream_decoder_process_until_end_of_metadata(m_decoder))
            return refuse();
        if (m_sampleRate != 44100 || m_channels != 2 || m_bits != 16 || m_samples <= 0 ||
            m_samples % SamplesPerFrame != 0)
            return refuse();
        m_bytes = m_samples * 4;
        return true;
    }

    bool readFlac(qint64 sample, int count, char* buffer) {
        const qint64 wanted = qint64(count) * FrameBytes;
        if (sample != m_position) {
            m_pending.clear();
            m_failed = false;
            if (!FLAC__stream_decoder_seek_absolute(m_decoder, FLAC__uint64(sample))) {
                FLAC__stream_decoder_flush(m_decoder);
                return false;
            }
            m_position = sample;
        }
        while (m_pending.size() < wanted && !m_failed) {
            if (!FLAC__stream_decoder_process_single(m_decoder) ||
                FLAC__stream_decoder_get_state(m_decoder) == FLAC__STREAM_DECODER_END_OF_STREAM)
                break;
        }
        if (m_pending.size() < wanted || m_failed)
            return false;
        std::memcpy(buffer, m_pending.constData(), size_t(wanted));
        m_pending.remove(0, wanted);
        m_position += qint64(count) * SamplesPerFrame;
        return true;
    }

    static FLAC__StreamDecoderWriteStatus onWrite(const FLAC__StreamDecoder*,
                                                  const FLAC__Frame* frame,
                                                  const FLAC__int32* const channels[], void* self) {
        auto* file = static_cast<File*>(self);
        if (frame->header.channels != 2 || frame->header.bits_per_sample != 16) {
            file->m_failed = true;
            return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
        }
        const qsizetype at = file->m_pending.size();
        file->m_pending.resize(at + qsizetype(frame->header.blocksize) * 4);
        char* out = file->m_pending.data() + at;
        for (unsigned i = 0; i < frame->header.blocksize; ++i, out += 4) {
            qToLittleEndian<qint16>(qint16(channels[0][i]), out);
            qToLittleEndian<qint16>(qint16(channels[1][i]), out + 2);
        }
        return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    }

    static void onMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata,
                           void* self) {
        auto* file = static_cast<File*>(self);
        if (metadata->type != FLAC__METADATA_TYPE_STREAMINFO)
            return;
        file->m_sampleRate = int(metadata->data.stream_info.sample_rate);
        file->m_channels = int(metadata->data.stream_info.channels);
        file->m_bits = int(metadata->data.stream_info.bits_per_sample);
        file->m_samples = qint64(metadata->data.stream_info.total_samples);
    }

    static void onError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* self) {
        static_cast<File*>(self)->m_failed = true;
    }

    int m_fd = -1;
    std::FILE* m_stream = nullptr; // owns m_fd once a FLAC decoder reads it
    bool m_decoderOwnsStream = false;
    qint64 m_offset = 0; // where the PCM starts in a WAV file
    qint64 m_bytes = 0;  // of PCM
    bool m_bigEndian = false;

    FLAC__StreamDecoder* m_decoder = nullptr;
    int m_sampleRate = 0;
    int m_channels = 0;
    int m_bits = 0;
    qint64 m_samples = 0;
    qint64 m_position = 0; // the sample m_pending starts at
    QByteArray m_pending;  // decoded and not yet read
    bool m_failed = false;
};

std::unique_ptr<SheetImage> SheetImage::open(const QString& cuePath, const ImageSheet& sheet,
                                             QString* error) {
    std::unique_ptr<SheetImage> image(new SheetImage);
    image->m_sheet = sheet;
    const QDir folder = QFileInfo(cuePath).absoluteDir();
    QVector<int> fileFrames;
    for (int f = 0; f < sheet.dataFiles.size(); ++f) {
        auto file = std::make_unique<File>();
        if (!file->open(folder.absoluteFilePath(sheet.dataFiles[f]), sheet.fileTypes.value(f),
                        error))
            return nullptr;
        fileFrames << file->frames();
        image->m_files.push_back(std::move(file));
    }
    // The disc: each file in turn, with the PREGAP silence of a track put
    // before its INDEX 01.
    DiscLayout toc;
    int disc = 0;
    int t = 0;
    for (int f = 0; f < fileFrames.size(); ++f) {
        int from = 0;
        for (; t < sheet.tracks.size(); ++t) {
            const ImageSheet::Track& track = sheet.tracks[t];
            const auto start =
                std::find_if(track.indexes.begin(), track.indexes.end(),
                             [](const ImageSheet::Index& index) { return index.number == 1; });
            if (start == track.indexes.end() || start->file != f)
                break;
            if (start->frame > fileFrames[f]) {
                *error =
                    QStringLiteral("Track %1 starts past the end of its file.").arg(track.number);
                return nullptr;
            }
            if (start->frame > from)
                image->m_segments.append({disc, start->frame - from, f, from});
            disc += start->frame - from;
            from = start->frame;
            if (track.silence > 0)
                image->m_segments.append({disc, track.silence, -1, 0});
            disc += track.silence;
            toc.tracks << LayoutTrack{disc, track.audio};
        }
        if (fileFrames[f] > from)
            image->m_segments.append({disc, fileFrames[f] - from, f, from});
        disc += fileFrames[f] - from;
    }
    if (toc.tracks.size() != sheet.tracks.size()) {
        *error = QStringLiteral("The sheet's tracks do not follow its files in order.");
        return nullptr;
    }
    toc.leadout = disc;
    for (int i = 0; i < toc.tracks.size(); ++i) {
        const int end = i + 1 < toc.tracks.size() ? toc.tracks[i + 1].start : toc.leadout;
        if (end <= toc.tracks[i].start) {
            *error = QStringLiteral("Track %1 of the sheet holds no audio.").arg(i + 1);
            return nullptr;
        }
    }
    image->m_layout = sheet.layoutOver(toc, fileFrames, error);
    if (image->m_layout.isEmpty())
        return nullptr;
    return image;
}

SheetImage::~SheetImage() = default;

bool SheetImage::read(int lsn, int count, char* buffer) {
    if (lsn < 0 || count < 0 || qint64(lsn) + count > m_layout.leadout)
        return false;
    for (const Segment& segment : std::as_const(m_segments)) {
        if (count == 0)
            break;
        if (lsn >= segment.start + segment.frames)
            continue;
        const int take = qMin(count, segment.start + segment.frames - lsn);
        if (segment.file < 0)
            std::memset(buffer, 0, size_t(take) * FrameBytes);
        else if (!m_files[segment.file]->read(segment.fileFrame + lsn - segment.start, take,
                                              buffer))
            return false;
        buffer += qint64(take) * FrameBytes;
        lsn += take;
        count -= take;
    }
    return count == 0;
}
