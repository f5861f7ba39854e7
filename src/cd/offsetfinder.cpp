#include "cd/offsetfinder.h"

#include "cd/accurateripclient.h"
#include "components/cdgrabber.h"

#include <map>

OffsetFinder::OffsetFinder(CdGrabber& grabber, QString server, const QString& cacheRoot,
                           QObject* parent)
    : QObject(parent), m_grabber(grabber),
      m_client(std::make_unique<AccurateRipClient>(std::move(server), cacheRoot)) {
    connect(m_client.get(), &AccurateRipClient::finished, this,
            [this](const AccurateRipId&, const QVector<ArChunk>& chunks, bool notFound,
                   const QString& error) { lookupDone(chunks, notFound, error); });
}

OffsetFinder::~OffsetFinder() {
    cancel();
    if (m_thread.joinable())
        m_thread.join();
}

void OffsetFinder::setTimeout(int ms) {
    m_client->setTimeout(ms);
}

void OffsetFinder::cancel() {
    m_cancel = true;
    m_client->cancel();
}

void OffsetFinder::report(std::optional<int> offset, const QString& text) {
    // Never from within start(): the caller has its answer on the event loop.
    QMetaObject::invokeMethod(
        this,
        [this, offset, text] {
            if (!m_cancel)
                emit finished(offset, text);
        },
        Qt::QueuedConnection);
}

void OffsetFinder::start() {
    m_layout = m_grabber.getDiscLayout();
    m_readOffset = m_grabber.getReadOffset();
    m_reads.clear();
    const AccurateRipId id = m_layout.accurateRipId();
    if (!id.isValid())
        return report(std::nullopt, QStringLiteral("There is no audio CD in the drive."));
    // The window around frame 450 holds that frame under every offset tried.
    const int first = ArTrackChecksum::OffsetWindowFirstFrame;
    const int frames = ArTrackChecksum::OffsetWindowFrames;
    try {
        for (int track = 0; track < m_layout.tracks.size() && m_reads.size() < MaxTracks; ++track) {
            const int audioIndex = m_layout.audioIndex(track);
            if (audioIndex < 0)
                continue;
            m_grabber.selectTrack(track);
            if (m_grabber.getTrackLength() < first + frames)
                continue;
            m_grabber.beginRawRead();
            m_grabber.seekRawRead(first);
            const QByteArray pcm = m_grabber.readRawAudio(frames);
            m_grabber.endRawRead();
            if (pcm.size() == frames * 2352)
                m_reads << Read{audioIndex, pcm};
        }
    } catch (const std::exception& e) {
        m_grabber.endRawRead();
        return report(std::nullopt, QString::fromUtf8(e.what()));
    }
    if (m_reads.isEmpty())
        return report(std::nullopt,
                      QStringLiteral("The disc has no track long enough to find the offset with."));
    m_client->lookup(id);
}

std::optional<int> OffsetFinder::agreedOffset(const QVector<QVector<int>>& perTrack) {
    std::map<int, int> votes;
    for (const QVector<int>& offsets : perTrack)
        for (const int offset : offsets)
            ++votes[offset];
    std::optional<int> best;
    int bestVotes = 0;
    bool tie = false;
    for (const auto& [offset, count] : votes) {
        if (count > bestVotes) {
            best = offset;
            bestVotes = count;
            tie = false;
        } else if (count == bestVotes) {
            tie = true;
        }
    }
    return tie ? std::nullopt : best;
}

void OffsetFinder::lookupDone(const QVector<ArChunk>& chunks, bool notFound, const QString& error) {
    if (notFound)
        return report(std::nullopt,
                      QStringLiteral("The disc is not in the AccurateRip database; try another."));
    if (!error.isEmpty())
        return report(std::nullopt, error);
    emit progress(0, tr("Comparing the disc with the database's rips..."));
    if (m_thread.joinable())
        m_thread.join();
    m_thread = std::thread([this, chunks] { match(chunks); });
}

void OffsetFinder::match(const QVector<ArChunk>& chunks) {
    QVector<QVector<int>> perTrack;
    for (int i = 0; i < m_reads.size(); ++i) {
        const Read& read = m_reads[i];
        QVector<int> offsets = findOffsets(chunks, read.audioIndex, read.pcm,
                                           qint64(ArTrackChecksum::OffsetWindowFirstFrame) *
                                               ArTrackChecksum::SamplesPerFrame,
                                           &m_cancel);
        if (m_cancel)
            return;
        // A track of silence or one repeated value matches everywhere: no vote.
        if (offsets.size() <= 1) {
            for (int& offset : offsets)
                offset += m_readOffset;
            perTrack << offsets;
        }
        const int percent = 100 * (i + 1) / int(m_reads.size());
        const QString text =
            tr("Compared %1 of %2 tracks with the database's rips.").arg(i + 1).arg(m_reads.size());
        QMetaObject::invokeMethod(
            this,
            [this, percent, text] {
                if (!m_cancel)
                    emit progress(percent, text);
            },
            Qt::QueuedConnection);
    }
    QMetaObject::invokeMethod(
        this, [this, perTrack] { matched(perTrack); }, Qt::QueuedConnection);
}

void OffsetFinder::matched(const QVector<QVector<int>>& perTrack) {
    if (m_thread.joinable())
        m_thread.join();
    const std::optional<int> offset = agreedOffset(perTrack);
    if (!offset)
        return report(std::nullopt,
                      QStringLiteral("No offset matches the database's rips of this disc."));
    int agreeing = 0;
    for (const QVector<int>& offsets : perTrack)
        agreeing += offsets.contains(*offset) ? 1 : 0;
    report(offset, QStringLiteral("Read offset %1%2 found in %3 of %4 tracks.")
                       .arg(*offset > 0 ? QStringLiteral("+") : QString())
                       .arg(*offset)
                       .arg(agreeing)
                       .arg(m_reads.size()));
}
