#include "discimage.h"

#include <cmath>
#include <cstdio>
#include <QFile>
#include <QtEndian>

namespace {

constexpr int FrameBytes = 2352;

QString msf(int frames) {
    return QStringLiteral("%1:%2:%3")
        .arg(frames / 75 / 60, 2, 10, QLatin1Char('0'))
        .arg(frames / 75 % 60, 2, 10, QLatin1Char('0'))
        .arg(frames % 75, 2, 10, QLatin1Char('0'));
}

} // namespace

QByteArray DiscImage::audioFrame(int absoluteFrame) {
    QByteArray frame(FrameBytes, '\0');
    auto* samples = reinterpret_cast<uchar*>(frame.data());
    for (int i = 0; i < 588; ++i) {
        const double t = (absoluteFrame * 588 + i) / 44100.0;
        const auto left = qint16(std::lround(9000 * std::sin(2 * M_PI * 440 * t)));
        const auto right = qint16((absoluteFrame * 7 + i) & 0x7fff);
        qToLittleEndian<qint16>(left, samples + i * 4);
        qToLittleEndian<qint16>(right, samples + i * 4 + 2);
    }
    return frame;
}

QByteArray DiscImage::frame(int absoluteFrame) const {
    if (absoluteFrame < leadingSilence)
        return QByteArray(FrameBytes, '\0');
    if (content == Content::Marked)
        return audioFrame(absoluteFrame);
    QByteArray frame(FrameBytes, '\0');
    auto* samples = reinterpret_cast<uchar*>(frame.data());
    for (int i = 0; i < 588; ++i) {
        const qint64 n = qint64(absoluteFrame) * 588 + i;
        const double t = n / 44100.0;
        qint16 left = 0;
        qint16 right = 0;
        switch (content) {
        case Content::Noise: {
            // A fixed hash of the position: every pattern a different, repeatable noise.
            quint64 x =
                quint64(n) * 0x9E3779B97F4A7C15ull + quint64(pattern) * 0xBF58476D1CE4E5B9ull;
            x ^= x >> 31;
            x *= 0x94D049BB133111EBull;
            x ^= x >> 29;
            left = qint16(x);
            right = qint16(x >> 16);
            break;
        }
        case Content::Tone:
            left = right = qint16(std::lround(12000 * std::sin(2 * M_PI * 1000 * t)));
            break;
        case Content::SilenceWithClick:
            left = right = n == 44100 ? qint16(30000) : qint16(0);
            break;
        case Content::Square:
            left = right = (n / 50) % 2 ? qint16(8000) : qint16(-8000);
            break;
        case Content::Constant:
            left = right = 1234;
            break;
        default: // a chord with a slow swell and a little hiss
            left = qint16(std::lround((5000 * std::sin(2 * M_PI * 220 * t) +
                                       3000 * std::sin(2 * M_PI * 277.2 * t) +
                                       2000 * std::sin(2 * M_PI * 329.6 * t)) *
                                          (0.6 + 0.4 * std::sin(2 * M_PI * 0.5 * t)) +
                                      double((n * 2654435761u) % 200) - 100));
            right = qint16(std::lround(4000 * std::sin(2 * M_PI * 110 * t + 1)));
        }
        qToLittleEndian<qint16>(left, samples + i * 4);
        qToLittleEndian<qint16>(right, samples + i * 4 + 2);
    }
    return frame;
}

QByteArray DiscImage::dataFrame(int sector) {
    // Mode 1: sync, header, 2048 bytes of user data, error codes left zero.
    QByteArray frame(FrameBytes, '\0');
    for (int i = 1; i <= 10; ++i)
        frame[i] = char(0xff);
    frame[15] = 1;
    if (sector == 16) {
        // ISO 9660 primary volume descriptor with the label "ORVELLE DATA".
        frame[16] = 1;
        frame.replace(17, 5, "CD001");
        frame[22] = 1;
        frame.replace(16 + 40, 32, QByteArray("ORVELLE DATA").leftJustified(32, ' '));
    } else if (sector == 17) {
        frame[16] = char(0xff);
        frame.replace(17, 5, "CD001");
        frame[22] = 1;
    }
    return frame;
}

int DiscImage::trackStart(int track) const {
    int frame = 0;
    for (int i = 0; i < track; ++i)
        frame += tracks[i].pregap + tracks[i].frames;
    return frame + tracks[track].pregap;
}

int DiscImage::totalFrames() const {
    return trackStart(tracks.size() - 1) + tracks.last().frames;
}

QByteArray DiscImage::bin() const {
    QByteArray out;
    int frame = 0;
    for (const Track& track : tracks) {
        for (int i = 0; i < track.pregap + track.frames; ++i, ++frame)
            out += track.data ? dataFrame(i - track.pregap) : this->frame(frame);
    }
    return out;
}

QByteArray DiscImage::trackBytes(int track) const {
    const int start = trackStart(track);
    const int end = track + 1 < tracks.size() ? trackStart(track + 1) : totalFrames();
    return bin().mid(start * FrameBytes, (end - start) * FrameBytes);
}

QString DiscImage::write(const QString& folder, const QString& name) const {
    QFile binFile(folder + QLatin1Char('/') + name + QStringLiteral(".bin"));
    QByteArray data = bin();
    if (motorola)
        qbswap<2>(data.constData(), data.size() / 2, data.data());
    if (!binFile.open(QIODevice::WriteOnly) || binFile.write(data) < 0)
        return {};
    binFile.close();

    QString cue;
    if (!catalog.isEmpty())
        cue += QStringLiteral("CATALOG %1\n").arg(catalog);
    if (!album.isNull())
        cue += QStringLiteral("TITLE \"%1\"\n").arg(album);
    if (!artist.isNull())
        cue += QStringLiteral("PERFORMER \"%1\"\n").arg(artist);
    cue += QStringLiteral("FILE \"%1.bin\" %2\n")
               .arg(name, motorola ? QStringLiteral("MOTOROLA") : QStringLiteral("BINARY"));
    for (int i = 0; i < tracks.size(); ++i) {
        const Track& track = tracks[i];
        cue += QStringLiteral("  TRACK %1 %2\n")
                   .arg(i + 1, 2, 10, QLatin1Char('0'))
                   .arg(track.data ? QStringLiteral("MODE1/2352") : QStringLiteral("AUDIO"));
        if (!track.title.isNull())
            cue += QStringLiteral("    TITLE \"%1\"\n").arg(track.title);
        if (!track.performer.isNull())
            cue += QStringLiteral("    PERFORMER \"%1\"\n").arg(track.performer);
        if (!track.isrc.isEmpty())
            cue += QStringLiteral("    ISRC %1\n").arg(track.isrc);
        if (track.preEmphasis)
            cue += QStringLiteral("    FLAGS PRE\n");
        if (track.pregap > 0)
            cue += QStringLiteral("    INDEX 00 %1\n").arg(msf(trackStart(i) - track.pregap));
        cue += QStringLiteral("    INDEX 01 %1\n").arg(msf(trackStart(i)));
        for (int k = 0; k < track.indexes.size(); ++k)
            cue += QStringLiteral("    INDEX %1 %2\n")
                       .arg(k + 2, 2, 10, QLatin1Char('0'))
                       .arg(msf(trackStart(i) + track.indexes[k]));
    }
    const QString cuePath = folder + QLatin1Char('/') + name + QStringLiteral(".cue");
    QFile cueFile(cuePath);
    if (!cueFile.open(QIODevice::WriteOnly) || cueFile.write(cue.toUtf8()) < 0)
        return {};
    return cuePath;
}

QString DiscImage::swapInto(const QString& folder, const QString& name) const {
    static int swaps = 0;
    const QString base = folder + QLatin1Char('/') + name;
    QFile binFile(base + QStringLiteral(".bin"));
    if (!binFile.open(QIODevice::ReadOnly) || binFile.readAll() != bin())
        return {};
    const QString staged = write(folder, name + QStringLiteral("-swap%1").arg(++swaps));
    const QString cuePath = base + QStringLiteral(".cue");
    if (staged.isEmpty() ||
        std::rename(QFile::encodeName(staged).constData(), QFile::encodeName(cuePath).constData()))
        return {};
    return cuePath;
}

QByteArray wavData(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = file.readAll();
    if (all.size() < 44 || !all.startsWith("RIFF") || all.mid(8, 4) != "WAVE")
        return {};
    // Walk the chunks to "data".
    for (int at = 12; at + 8 <= all.size();) {
        const quint32 size = qFromLittleEndian<quint32>(all.constData() + at + 4);
        if (all.mid(at, 4) == "data")
            return all.mid(at + 8, int(size));
        at += 8 + int(size) + int(size & 1);
    }
    return {};
}
