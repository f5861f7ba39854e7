#include "jobs/cuesheet.h"

#include "values/untrustedtext.h"

#include <QFileInfo>
#include <QStringList>
#include <QtEndian>

namespace {

// Readers take lines of a few hundred bytes; a text in UTF-8 stays well below.
constexpr int MaxTextBytes = 240;

QString msf(int frames) {
    return QStringLiteral("%1:%2:%3")
        .arg(frames / CdToc::FramesPerSecond / 60, 2, 10, QLatin1Char('0'))
        .arg(frames / CdToc::FramesPerSecond % 60, 2, 10, QLatin1Char('0'))
        .arg(frames % CdToc::FramesPerSecond, 2, 10, QLatin1Char('0'));
}

QString twoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

QString CueSheet::quoted(const QString& text) {
    QString clean = cleanUntrustedText(text).replace(QLatin1Char('"'), QLatin1Char('\''));
    while (clean.toUtf8().size() > MaxTextBytes) {
        clean.chop(clean.size() >= 2 && clean.at(clean.size() - 1).isLowSurrogate() ? 2 : 1);
    }
    return QLatin1Char('"') + clean + QLatin1Char('"');
}

QString CueSheet::text() const {
    QStringList lines;
    if (!genre.trimmed().isEmpty())
        lines << QStringLiteral("REM GENRE ") + quoted(genre);
    if (!cleanUntrustedText(date).isEmpty())
        lines << QStringLiteral("REM DATE ") + quoted(date).mid(1).chopped(1);
    if (!layout.isEmpty())
        lines << QStringLiteral("REM DISCID ") + layout.toc().discId().toUpper();
    if (!comment.isEmpty())
        lines << QStringLiteral("REM COMMENT ") + quoted(comment);
    if (DiscLayout::catalogProblem(layout.catalog).isEmpty())
        lines << QStringLiteral("CATALOG ") + layout.catalog;
    if (!performer.trimmed().isEmpty())
        lines << QStringLiteral("PERFORMER ") + quoted(performer);
    if (!title.trimmed().isEmpty())
        lines << QStringLiteral("TITLE ") + quoted(title);

    // The file that holds a frame of the disc; -1 where none does.
    const auto fileOf = [this](int frame) {
        for (int f = 0; f < files.size(); ++f)
            if (frame >= files[f].first && frame < files[f].first + files[f].frames)
                return f;
        return -1;
    };
    int currentFile = -1;
    const auto index = [&](int number, int frame) {
        const int f = fileOf(frame);
        if (f != currentFile) {
            currentFile = f;
            lines << QStringLiteral("FILE %1 %2")
                         .arg(quoted(files[f].name),
                              files[f].wave ? QStringLiteral("WAVE") : QStringLiteral("BINARY"));
        }
        lines << QStringLiteral("    INDEX %1 %2")
                     .arg(twoDigits(number), msf(frame - files[f].first));
    };
    for (int t = 0; t < layout.tracks.size(); ++t) {
        const LayoutTrack& track = layout.tracks[t];
        if (!track.audio || fileOf(track.start) < 0)
            continue;
        // The gap, where a file holds it; what no file holds before track 1
        // is silence the sheet adds.
        const int gapStart = track.start - (t == 0 ? track.start : track.pregap);
        int held = gapStart;
        while (held < track.start && fileOf(held) < 0)
            ++held;
        const bool gapInFile = held < track.start;
        // The TRACK line goes in the file of its first index.
        const int firstFile = fileOf(gapInFile ? held : track.start);
        if (firstFile != currentFile) {
            currentFile = firstFile;
            lines << QStringLiteral("FILE %1 %2")
                         .arg(quoted(files[firstFile].name), files[firstFile].wave
                                                                 ? QStringLiteral("WAVE")
                                                                 : QStringLiteral("BINARY"));
        }
        lines << QStringLiteral("  TRACK %1 AUDIO").arg(twoDigits(t + 1));
        if (t < tracks.size() && !tracks[t].title.trimmed().isEmpty())
            lines << QStringLiteral("    TITLE ") + quoted(tracks[t].title);
        if (t < tracks.size() && !tracks[t].performer.trimmed().isEmpty())
            lines << QStringLiteral("    PERFORMER ") + quoted(tracks[t].performer);
        if (DiscLayout::isrcProblem(track.isrc).isEmpty())
            lines << QStringLiteral("    ISRC ") + track.isrc;
        QStringList flags;
        if (track.copyPermitted)
            flags << QStringLiteral("DCP");
        if (track.fourChannel)
            flags << QStringLiteral("4CH");
        if (track.preEmphasis)
            flags << QStringLiteral("PRE");
        if (!flags.isEmpty())
            lines << QStringLiteral("    FLAGS ") + flags.join(QLatin1Char(' '));
        if (held > gapStart)
            lines << QStringLiteral("    PREGAP ") + msf(held - gapStart);
        if (gapInFile)
            index(0, held);
        index(1, track.start);
        for (int i = 0; i < track.indexes.size(); ++i)
            if (fileOf(track.start + track.indexes[i]) >= 0)
                index(i + 2, track.start + track.indexes[i]);
    }
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

QString CueSheet::playlist() const {
    QStringList lines{QStringLiteral("#EXTM3U")};
    for (const File& file : files) {
        // The track whose INDEX 01 the file holds names it.
        QString name;
        for (int t = 0; t < layout.tracks.size() && t < tracks.size(); ++t) {
            const int start = layout.tracks[t].start;
            if (start >= file.first && start < file.first + file.frames) {
                const QString artist = cleanUntrustedText(tracks[t].performer);
                const QString song = cleanUntrustedText(tracks[t].title);
                name = artist.isEmpty() ? song : artist + QStringLiteral(" - ") + song;
                break;
            }
        }
        // A file before track 1 (the hidden track) goes by its own name.
        if (name.isEmpty())
            name = cleanUntrustedText(QFileInfo(file.name).completeBaseName());
        lines << QStringLiteral("#EXTINF:%1,%2")
                     .arg(qRound(file.frames / double(CdToc::FramesPerSecond)))
                     .arg(name);
        lines << cleanUntrustedText(file.name, 4096);
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QByteArray CueSheet::flacBlock(const DiscLayout& layout, int first) {
    constexpr quint64 SamplesPerFrame = 588;
    const auto u64 = [](quint64 value) {
        char bytes[8];
        qToBigEndian(value, bytes);
        return QByteArray(bytes, 8);
    };
    QByteArray out = layout.catalog.toLatin1().leftJustified(128, '\0', true);
    out += u64(2 * CdToc::FramesPerSecond * SamplesPerFrame); // the lead-in of a CD
    out += char(0x80);                                        // a CD
    out += QByteArray(258, '\0');
    QByteArray entries;
    int count = 0;
    const int end = layout.audioEnd();
    for (int t = 0; t < layout.tracks.size(); ++t) {
        const LayoutTrack& track = layout.tracks[t];
        if (!track.audio)
            continue;
        const int gapStart = qMax(first, track.start - track.pregap);
        entries += u64(quint64(gapStart - first) * SamplesPerFrame);
        entries += char(t + 1);
        entries +=
            (DiscLayout::isrcProblem(track.isrc).isEmpty() ? track.isrc.toLatin1() : QByteArray())
                .leftJustified(12, '\0', true);
        entries += char(track.preEmphasis ? 0x40 : 0x00);
        entries += QByteArray(13, '\0');
        QByteArray indexes;
        int indexCount = 0;
        const auto index = [&](int number, int frame) {
            indexes += u64(quint64(frame - gapStart) * SamplesPerFrame);
            indexes += char(number);
            indexes += QByteArray(3, '\0');
            ++indexCount;
        };
        if (gapStart < track.start)
            index(0, gapStart);
        index(1, track.start);
        for (int i = 0; i < track.indexes.size(); ++i)
            index(i + 2, track.start + track.indexes[i]);
        entries += char(indexCount) + indexes;
        ++count;
    }
    // The lead-out: where the audio ends, before a data session.
    entries += u64(quint64(qMax(0, end - first)) * SamplesPerFrame);
    entries += char(170);
    entries += QByteArray(12, '\0') + char(0) + QByteArray(13, '\0') + char(0);
    out += char(count + 1);
    return out + entries;
}
