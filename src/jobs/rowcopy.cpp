#include "jobs/rowcopy.h"

#include "components/loudness/loudnessmeter.h"
#include "jobs/outputnaming.h"

#include <algorithm>
#include <map>
#include <QFileInfo>
#include <QObject>

RowCopy::RowCopy(JobRow row, std::unique_ptr<PcmSource> source, std::vector<Output> outputs,
                 TagWriter tags, const std::atomic<bool>& stop, GainMode gain, PeakKind peak)
    : m_row(std::move(row)), m_source(std::move(source)), m_outputs(std::move(outputs)),
      m_named(m_outputs.size(), false), m_tags(std::move(tags)), m_stop(stop), m_gain(gain),
      m_peak(peak) {
    for (const Output& output : m_outputs)
        m_result.outputs << OutputResult{output.format, output.path, {}};
    m_result.path = firstPath();
}

QString RowCopy::firstPath() const {
    for (size_t i = 0; i < m_outputs.size(); ++i)
        if (m_result.outputs[int(i)].failure.isEmpty() && !m_outputs[i].path.isEmpty())
            return m_outputs[i].path;
    return m_outputs.empty() ? QString() : m_outputs.front().path;
}

QString RowCopy::Result::written() const {
    for (const OutputResult& output : outputs)
        if (output.failure.isEmpty() && !output.path.isEmpty())
            return output.path;
    return {};
}

namespace {

std::vector<RowCopy::Output> oneOutput(const JobRow& row, std::unique_ptr<PcmSink> sink,
                                       QString path) {
    std::vector<RowCopy::Output> outputs;
    outputs.push_back({row.format, std::move(path), std::move(sink), row.disc});
    return outputs;
}

} // namespace

RowCopy::RowCopy(JobRow row, std::unique_ptr<PcmSource> source, std::unique_ptr<PcmSink> sink,
                 QString path, TagWriter tags, const std::atomic<bool>& stop, GainMode gain,
                 PeakKind peak)
    : RowCopy(row, std::move(source), oneOutput(row, std::move(sink), std::move(path)),
              std::move(tags), stop, gain, peak) {}

RowCopy::~RowCopy() {
    wait();
    for (size_t i = 0; i < m_outputs.size(); ++i)
        if (!m_named[i] && !m_outputs[i].path.isEmpty())
            discardOutputFile(m_outputs[i].path);
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

void RowCopy::outputFailed(int output, const QString& failure) {
    m_result.ok = false;
    m_result.outputs[output].failure = failure;
    const QString said =
        m_outputs.size() > 1
            ? QStringLiteral("%1: %2").arg(formatName(m_outputs[size_t(output)].format), failure)
            : failure;
    m_result.message =
        m_result.message.isEmpty() ? said : m_result.message + QStringLiteral("; ") + said;
}

bool RowCopy::takesGain() const {
    // WAV and RM files carry no tags to hold the values.
    return std::any_of(m_outputs.begin(), m_outputs.end(), [](const Output& output) {
        return output.sink && output.sink->takesTags() && output.format != FormatWav &&
               output.format != FormatRm;
    });
}

void RowCopy::run(const Progress& progress) {
    const bool tagged = std::any_of(m_outputs.begin(), m_outputs.end(), [](const Output& output) {
        return output.sink && output.sink->takesTags();
    });
    if (m_coverReader && m_row.cover.isEmpty() && tagged)
        m_row.cover = m_coverReader(m_row.source);
    std::optional<PeakKind> measure;
    if (m_gain != GainMode::Off && takesGain())
        measure = m_peak;
    QVector<CopyTarget> targets;
    QVector<int> targetOutputs;
    for (int i = 0; i < int(m_outputs.size()); ++i) {
        const Output& output = m_outputs[size_t(i)];
        if (!output.sink) {
            outputFailed(i, output.failure);
            continue;
        }
        targets << CopyTarget{output.sink.get(), partFileOf(output.path)};
        targetOutputs << i;
    }
    if (targets.isEmpty())
        return;
    const CopyOutcome copied = copyPcm(*m_source, targets, m_stop, progress, measure);
    for (int i = 0; i < copied.failures.size(); ++i)
        if (!copied.failures[i].isEmpty())
            outputFailed(targetOutputs[i], copied.failures[i]);
    if (!copied.anyWritten())
        return;
    m_result.stopped = copied.stopped || m_cut;
    if (m_result.stopped && m_interrupted) {
        for (size_t i = 0; i < m_outputs.size(); ++i) {
            discardOutputFile(m_outputs[i].path);
            m_outputs[i].path.clear();
            m_result.outputs[int(i)].path.clear();
        }
        m_result.path.clear();
        return;
    }
    for (int i = 0; i < copied.conversions.size(); ++i)
        m_result.outputs[targetOutputs[i]].conversion = copied.conversions[i];
    for (const OutputResult& output : std::as_const(m_result.outputs))
        if (m_result.conversion.isEmpty() && output.failure.isEmpty())
            m_result.conversion = output.conversion;
    m_result.damage = copied.damage;
    if (m_requireComplete && copied.damage.isDamaged()) {
        // The source's fault: every file goes, for the one reason.
        m_result.ok = false;
        m_result.message =
            QObject::tr("%1: the file is left out, as a complete source is required.")
                .arg(copied.damage.text());
        for (OutputResult& output : m_result.outputs)
            if (output.failure.isEmpty())
                output.failure = m_result.message;
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

void RowCopy::tagAndName() {
    for (size_t i = 0; i < m_outputs.size(); ++i) {
        Output& output = m_outputs[i];
        if (!m_result.outputs[int(i)].failure.isEmpty())
            continue;
        const QString part = partFileOf(output.path);
        try {
            if (output.sink->takesTags() && m_tags) {
                TagExtras extras = output.disc;
                extras.cover = m_row.cover;
                extras.gain = m_result.gain;
                m_tags(part, m_row.tag, extras);
            }
        } catch (const std::exception& e) {
            // A file without the tags it was asked for is not what the user wanted.
            outputFailed(int(i), QStringLiteral("The file was written, but its tags were not: %1")
                                     .arg(QString::fromUtf8(e.what())));
            continue;
        }
        try {
            output.path = commitOutputFile(output.path);
            m_named[i] = true;
            m_result.outputs[int(i)].path = output.path;
        } catch (const std::exception& e) {
            outputFailed(int(i), QString::fromUtf8(e.what()));
        }
    }
    m_result.path = firstPath();
}

void RowCopy::completeAlbum(const std::vector<RowCopy*>& copies,
                            const std::set<QString>& unfinished) {
    // Every output of a row carries one measurement: the album is that of
    // the row's first output's folder.
    std::map<QString, std::vector<RowCopy*>> byFolder;
    for (RowCopy* copy : copies)
        if (copy->m_result.held && !copy->m_outputs.empty())
            byFolder[QFileInfo(copy->m_outputs.front().path).path() + QLatin1Char('\n') +
                     copy->m_row.tag.album]
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
