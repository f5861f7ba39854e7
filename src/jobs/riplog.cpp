#include "jobs/riplog.h"

#include "components/loudness/loudnessmeter.h"
#include "jobs/outputnaming.h"
#include "values/cdtoc.h"

#include <QStringList>

namespace {

QString hex(quint32 value) {
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

// "mm:ss.ff" of a count of frames.
QString msf(int frames) {
    return QStringLiteral("%1:%2.%3")
        .arg(frames / CdToc::FramesPerSecond / 60, 2, 10, QLatin1Char('0'))
        .arg(frames / CdToc::FramesPerSecond % 60, 2, 10, QLatin1Char('0'))
        .arg(frames % CdToc::FramesPerSecond, 2, 10, QLatin1Char('0'));
}

} // namespace

QString readModeName(ReadMode mode) {
    switch (mode) {
    case ReadMode::Burst:
        return QStringLiteral("Burst (no verification)");
    case ReadMode::Synch:
        return QStringLiteral("Synch (jitter corrected and verified)");
    case ReadMode::Secure:
        return QStringLiteral("Secure (full verification and scratch repair)");
    case ReadMode::Paranoid:
        return QStringLiteral("Paranoid (full verification in small blocks)");
    }
    return QStringLiteral("Unknown");
}

QString errorActionName(ErrorAction action) {
    switch (action) {
    case ErrorAction::Silence:
        return QStringLiteral("replace unreadable sectors by silence");
    case ErrorAction::Cut:
        return QStringLiteral("leave unreadable sectors out");
    case ErrorAction::Stop:
        break;
    }
    return QStringLiteral("stop the track");
}

QString RipLog::fileName(const QString& album) {
    const QString name = outputFileName(
        {album.trimmed().isEmpty() ? QStringLiteral("Rip") : album, true, 0, {}}, FormatWav);
    return name.left(name.size() - outputExtension(FormatWav).size()) + QStringLiteral(".log");
}

QString RipLog::closingLine() const {
    QStringList not_;
    for (const Track& track : tracks) {
        if (track.verdict.accurate() && track.failure.isEmpty() && !track.stopped)
            continue;
        const QString why = !track.failure.isEmpty() ? QStringLiteral("not ripped")
                            : track.stopped          ? QStringLiteral("stopped")
                                                     : track.verdict.text();
        not_ << QStringLiteral("track %1 (%2)").arg(formatTwoDigits(track.number), why);
    }
    if (tracks.isEmpty())
        return QStringLiteral("No track was ripped");
    if (not_.isEmpty())
        return QStringLiteral("All tracks accurately ripped");
    return QStringLiteral("Not accurately ripped: ") + not_.join(QStringLiteral(", "));
}

QString RipLog::text() const {
    QStringList lines;
    lines << QStringLiteral("Orvelle %1 rip log").arg(version) << QString();
    lines << QStringLiteral("Drive:        %1").arg(drive);
    lines << QStringLiteral("Read mode:    %1").arg(readModeName(read.mode));
    lines << QStringLiteral("Retries:      %1").arg(read.retries);
    lines << QStringLiteral("On errors:    %1").arg(errorActionName(read.errorAction));
    lines << QStringLiteral("Read offset:  %1 samples").arg(offset);
    lines << QString() << QStringLiteral("Table of contents") << QString();
    lines << QStringLiteral("  Track  Start     Length    Start sector  End sector");
    for (int i = 0; i < layout.tracks.size(); ++i) {
        const int start = layout.tracks[i].start;
        const int end = i + 1 < layout.tracks.size() ? layout.tracks[i + 1].start : layout.leadout;
        lines << QStringLiteral("  %1     %2  %3  %4  %5%6")
                     .arg(formatTwoDigits(i + 1))
                     .arg(msf(start))
                     .arg(msf(end - start))
                     .arg(start, 12)
                     .arg(end - 1, 10)
                     .arg(layout.tracks[i].audio ? QString() : QStringLiteral("  data"));
    }
    lines << QStringLiteral("  Lead-out: sector %1").arg(layout.leadout);
    lines << QString() << QStringLiteral("Layout") << QString();
    lines << QStringLiteral("  Catalog number:  %1")
                 .arg(layout.catalog.isEmpty() ? QStringLiteral("none") : layout.catalog);
    if (layout.hiddenFrames() > 0)
        lines << QStringLiteral("  Hidden track:    %1 before track 01, %2")
                     .arg(msf(layout.hiddenFrames()),
                          hiddenTrack.isEmpty() ? QStringLiteral("not ripped") : hiddenTrack);
    for (int i = 0; i < layout.tracks.size(); ++i) {
        const LayoutTrack& track = layout.tracks[i];
        QStringList parts;
        if (i > 0 && track.pregap > 0)
            parts << QStringLiteral("gap %1").arg(msf(track.pregap));
        for (int k = 0; k < track.indexes.size(); ++k)
            parts << QStringLiteral("index %1 at %2")
                         .arg(formatTwoDigits(k + 2), msf(track.indexes[k]));
        if (!track.isrc.isEmpty())
            parts << QStringLiteral("ISRC %1").arg(track.isrc);
        if (track.preEmphasis)
            parts << QStringLiteral("pre-emphasis");
        if (track.copyPermitted)
            parts << QStringLiteral("copy permitted");
        if (track.fourChannel)
            parts << QStringLiteral("four channels");
        if (!parts.isEmpty())
            lines << QStringLiteral("  Track %1:  %2")
                         .arg(formatTwoDigits(i + 1), parts.join(QStringLiteral(", ")));
    }
    if (!layout.indexesRead)
        lines << QStringLiteral("  Gaps not detected");
    for (const QString& note : layout.notes)
        lines << QStringLiteral("  ") + note;
    if (!cueSheet.isEmpty())
        lines << QStringLiteral("  Cue sheet:       %1").arg(cueSheet);
    const AccurateRipId id = layout.accurateRipId();
    lines << QString();
    lines << QStringLiteral("FreeDB ID:       %1").arg(hex(id.freedb).toLower());
    lines << QStringLiteral("AccurateRip ID:  %1")
                 .arg(id.isValid() ? id.text() : QStringLiteral("none"));
    if (!lookup.isEmpty())
        lines << QStringLiteral("AccurateRip:     %1").arg(lookup);
    if (!ctdbLookup.isEmpty())
        lines << QStringLiteral("CTDB:            %1").arg(ctdbLookup);
    if (!cover.isEmpty())
        lines << QStringLiteral("Cover:           %1").arg(cover);
    if (!albumGain.isEmpty())
        lines << QStringLiteral("Album gain:      %1").arg(albumGain);
    for (const Track& track : tracks) {
        lines << QString() << QStringLiteral("Track %1").arg(formatTwoDigits(track.number));
        if (!track.failure.isEmpty()) {
            lines << QStringLiteral("  Not ripped: %1").arg(track.failure);
            continue;
        }
        lines << QStringLiteral("  File:               %1").arg(track.output);
        if (track.stopped)
            lines << QStringLiteral("  Stopped before its end");
        const TrackCheck& check = track.check;
        lines << QStringLiteral("  CRC32:              %1").arg(hex(check.crc32));
        lines << QStringLiteral("  AccurateRip v1:     %1").arg(hex(check.v1));
        lines << QStringLiteral("  AccurateRip v2:     %1").arg(hex(check.v2));
        lines << QStringLiteral("  Verdict:            %1%2")
                     .arg(track.verdict.accurateRip.text(),
                          track.verdict.accurateRip.status == ArVerdict::Accurate
                              ? (track.verdict.accurateRip.v2 ? QStringLiteral(", by v2")
                                                              : QStringLiteral(", by v1"))
                              : QString());
        if (!ctdbLookup.isEmpty()) {
            lines << QStringLiteral("  CTDB CRC32:         %1").arg(hex(check.ctdb.crc));
            lines << QStringLiteral("  CTDB:               %1").arg(track.verdict.ctdb.text());
        }
        lines << QStringLiteral("  Sectors re-read:    %1").arg(check.rereadSectors);
        lines << QStringLiteral("  Sectors corrected:  %1").arg(check.correctedSectors);
        lines << QStringLiteral("  Sectors silenced:   %1").arg(check.silencedSectors);
        lines << QStringLiteral("  Sectors left out:   %1").arg(check.skippedSectors);
        const QString gain = gainText(track.gain);
        if (!gain.isEmpty())
            lines << QStringLiteral("  ReplayGain:         %1").arg(gain);
        if (!track.conversion.isEmpty())
            lines << QStringLiteral("  Format:             %1").arg(track.conversion);
    }
    lines << QString() << closingLine();
    if (!ctdbLookup.isEmpty()) {
        QVector<TrackVerdict> verdicts;
        for (const Track& track : tracks)
            if (track.failure.isEmpty() && !track.stopped && track.number > 0)
                verdicts << track.verdict;
        lines << accurateTracksText(verdicts);
    }
    lines << QString();
    return lines.join(QLatin1Char('\n'));
}

QString RipLog::gainText(const ReplayGainValues& gain) {
    QStringList parts;
    if (gain.trackGain)
        parts << QStringLiteral("track %1, peak %2")
                     .arg(ReplayGain::gainText(*gain.trackGain),
                          ReplayGain::peakText(gain.trackPeak.value_or(0)));
    if (gain.albumGain)
        parts << QStringLiteral("album %1, peak %2")
                     .arg(ReplayGain::gainText(*gain.albumGain),
                          ReplayGain::peakText(gain.albumPeak.value_or(0)));
    return parts.join(QStringLiteral("; "));
}
