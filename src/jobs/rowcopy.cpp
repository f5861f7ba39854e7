#include "jobs/rowcopy.h"

#include "components/loudness/loudnessmeter.h"
#include "jobs/outputnaming.h"

#include <map>
#include <QFileInfo>
#include <QObject>

RowCopy::RowCopy(JobRow row, std::unique_ptr<PcmSource> source, std::unique_ptr<PcmSink> sink,
                 QString path, TagWriter tags, const std::atomic<bool>& stop, GainMode gain,
                 PeakKind peak)
    : m_row(std::move(row)), m_source(std::move(source)), m_sink(std::move(sink)),
      m_path(std::move(path)), m_tags(std::move(tags)), m_stop(stop), m_gain(gain), m_peak(peak) {}

RowCopy::~RowCopy() {
    wait();
    if (!m_named)
        discardOutputFile(m_path);
}

void RowCopy::wait() {
    if (m_thread.joinable())
        m_thread.join();
}

void RowCopy::start(Progress progress, Done done) {
    m_thread = std::thread([this, progress = std::move(progress), done = std::move(done)] {
        run(progress);
        done();
    });
}

void RowCopy::run(const Progress& progress) {
    m_result.path = m_path;
    if (m_coverReader && m_row.cover.isEmpty() && m_sink->takesTags())
        m_row.cover = m_coverReader(m_row.source);
    // WAV and RM files carry no tags to hold the values.
    std::optional<PeakKind> measure;
    if (m_gain != GainMode::Off && m_sink->takesTags() && m_row.format != FormatWav &&
        m_row.format != FormatRm)
        measure = m_peak;
    const CopyOutcome copied =
        copyPcm(*m_source, *m_sink, partFileOf(m_path), m_stop, progress, measure);
    if (!copied.ok) {
        m_result.ok = false;
        m_result.message = copied.message;
        return;
    }
    m_result.stopped = copied.stopped || m_cut;
    if (m_result.stopped && m_interrupted) {
        discardOutputFile(m_path);
        m_result.path.clear();
        return;
    }
    m_result.conversion = copied.conversion;
    m_result.damage = copied.damage;
    if (m_requireComplete && copied.damage.isDamaged()) {
        m_result.ok = false;
        m_result.message =
            QObject::tr("%1: the file is left out, as a complete source is required.")
                .arg(copied.damage.text());
        return;
    }
    // A file cut short is not the track: its loudness says nothing of it.
    if (copied.meter && !m_result.stopped) {
        m_meter = copied.meter;
        m_result.gain.trackGain = ReplayGain::gainDb(m_meter->loudness());
        m_result.gain.trackPeak = m_meter->peak();
    }
    if (m_meter && m_gain == GainMode::Album) {
        m_result.held = true;
        return;
    }
    tagAndName();
}

TagExtras RowCopy::tagExtras() const {
    TagExtras extras = m_row.disc;
    extras.cover = m_row.cover;
    extras.gain = m_result.gain;
    return extras;
}

void RowCopy::tagAndName() {
    const QString part = partFileOf(m_path);
    try {
        if (m_sink->takesTags() && m_tags)
            m_tags(part, m_row.tag, tagExtras());
    } catch (const std::exception& e) {
        // A file without the tags it was asked for is not what the user wanted.
        m_result.ok = false;
        m_result.message = QStringLiteral("The file was written, but its tags were not: %1")
                               .arg(QString::fromUtf8(e.what()));
        return;
    }
    try {
        m_path = commitOutputFile(m_path);
        m_named = true;
        m_result.path = m_path;
    } catch (const std::exception& e) {
        m_result.ok = false;
        m_result.message = QString::fromUtf8(e.what());
    }
}

void RowCopy::completeAlbum(const std::vector<RowCopy*>& copies,
                            const std::set<QString>& unfinished) {
    std::map<QString, std::vector<RowCopy*>> byFolder;
    for (RowCopy* copy : copies)
        if (copy->m_result.held)
            byFolder[QFileInfo(copy->m_path).path() + QLatin1Char('\n') + copy->m_row.tag.album]
                .push_back(copy);
    for (const auto& [folder, album] : byFolder) {
        if (unfinished.count(album.front()->m_row.tag.album) > 0) {
            for (RowCopy* copy : album) {
                copy->m_result.held = false;
                copy->tagAndName();
            }
            continue;
        }
        std::vector<const LoudnessMeter*> meters;
        double peak = 0;
        for (const RowCopy* copy : album) {
            meters.push_back(copy->m_meter.get());
            peak = std::max(peak, copy->m_meter->peak());
        }
        const double gain = ReplayGain::gainDb(LoudnessMeter::albumLoudness(meters));
        for (RowCopy* copy : album) {
            copy->m_result.gain.albumGain = gain;
            copy->m_result.gain.albumPeak = peak;
            copy->m_result.held = false;
            copy->tagAndName();
        }
    }
}

void AlbumCompletion::start(QObject* context, std::vector<RowCopy*> copies,
                            std::set<QString> unfinished, std::function<void()> done) {
    m_thread = std::thread([context, copies = std::move(copies), unfinished = std::move(unfinished),
                            done = std::move(done)] {
        RowCopy::completeAlbum(copies, unfinished);
        QMetaObject::invokeMethod(context, done, Qt::QueuedConnection);
    });
}

void AlbumCompletion::wait() {
    if (m_thread.joinable())
        m_thread.join();
}
