#include "cd/offsetfinder.h"

#include "cd/accurateripclient.h"
#include "components/cdgrabber.h"

#include <map>
#include <QTimer>

OffsetFinder::OffsetFinder(CdGrabber& grabber, QString server, QString cacheRoot, QObject* parent)
    : QObject(parent), m_grabber(grabber),
      m_client(std::make_unique<AccurateRipClient>(std::move(server), cacheRoot)) {
    connect(m_client.get(), &AccurateRipClient::finished, this,
            [this](const AccurateRipId&, const QVector<ArChunk>& chunks, bool notFound,
                   const QString& error) { lookupDone(chunks, notFound, error); });
}

OffsetFinder::~OffsetFinder() = default;

void OffsetFinder::setTimeout(int ms) {
    m_client->setTimeout(ms);
}

void OffsetFinder::fail(const QString& text) {
    // Never from within start(): the caller has its answer on the event loop.
    QTimer::singleShot(0, this, [this, text] { emit finished(std::nullopt, text); });
}

void OffsetFinder::start() {
    m_layout = m_grabber.getDiscLayout();
    m_readOffset = m_grabber.getReadOffset();
    m_reads.clear();
    const AccurateRipId id = m_layout.accurateRipId();
    if (!id.isValid()) {
        fail(QStringLiteral("There is no audio CD in the drive."));
        return;
    }
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
        fail(QString::fromUtf8(e.what()));
        return;
    }
    if (m_reads.isEmpty()) {
        fail(QStringLiteral("The disc has no track long enough to find the offset with."));
        return;
    }
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
    if (notFound) {
        emit finished(std::nullopt,
                      QStringLiteral("The disc is not in the AccurateRip database; try another."));
        return;
    }
    if (!error.isEmpty()) {
        emit finished(std::nullopt, error);
        return;
    }
    QVector<QVector<int>> perTrack;
    for (const Read& read : m_reads) {
        QVector<int> offsets = findOffsets(chunks, read.audioIndex, read.pcm,
                                           qint64(ArTrackChecksum::OffsetWindowFirstFrame) *
                                               ArTrackChecksum::SamplesPerFrame);
        // A track of silence or one repeated value matches everywhere: no vote.
        if (offsets.size() > 1)
            continue;
        for (int& offset : offsets)
            offset += m_readOffset;
        perTrack << offsets;
    }
    const std::optional<int> offset = agreedOffset(perTrack);
    if (!offset) {
        emit finished(std::nullopt,
                      QStringLiteral("No offset matches the database's rips of this disc."));
        return;
    }
    int agreeing = 0;
    for (const QVector<int>& offsets : perTrack)
        agreeing += offsets.contains(*offset) ? 1 : 0;
    emit finished(offset, QStringLiteral("Read offset %1%2 found in %3 of %4 tracks.")
                              .arg(*offset > 0 ? QStringLiteral("+") : QString())
                              .arg(*offset)
                              .arg(agreeing)
                              .arg(m_reads.size()));
}
