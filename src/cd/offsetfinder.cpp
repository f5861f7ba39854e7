#include "cd/offsetfinder.h"

#include "cd/accurateripclient.h"
#include "components/trackripper.h"

#include <map>

OffsetFinder::OffsetFinder(TrackRipper& ripper, Disc disc, QString server, const QString& cacheRoot,
                           QObject* parent)
    : QObject(parent), m_ripper(ripper), m_disc(std::move(disc)),
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
    m_readOffset = m_ripper.readOffset(m_disc);
    m_tracks.clear();
    const DiscLayout& layout = m_disc.layout;
    const AccurateRipId id = layout.accurateRipId();
    if (!id.isValid())
        return report(std::nullopt, QStringLiteral("There is no audio CD in the drive."));
    // The window around frame 450 holds that frame under every offset tried.
    const int frames =
        ArTrackChecksum::OffsetWindowFirstFrame + ArTrackChecksum::OffsetWindowFrames;
    try {
        for (int track = 0; track < m_disc.tracks.size() && m_tracks.size() < MaxTracks; ++track) {
            const int audioIndex = layout.audioIndex(track);
            if (audioIndex >= 0 && m_disc.tracks[track].frames >= frames)
                m_tracks.push_back({audioIndex, m_ripper.open(m_disc, m_disc.range(track))});
        }
    } catch (const std::exception& e) {
        m_tracks.clear();
        return report(std::nullopt, QString::fromUtf8(e.what()));
    }
    if (m_tracks.empty())
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
    emit progress(0, tr("Reading the disc and comparing it with the database's rips..."));
    if (m_thread.joinable())
        m_thread.join();
    m_thread = std::thread([this, chunks] { match(chunks); });
}

void OffsetFinder::match(const QVector<ArChunk>& chunks) {
    const int first = ArTrackChecksum::OffsetWindowFirstFrame;
    const int frames = ArTrackChecksum::OffsetWindowFrames;
    QVector<QVector<int>> perTrack;
    QString failure;
    for (std::size_t i = 0; i < m_tracks.size() && !m_cancel; ++i) {
        QVector<int> offsets;
        try {
            TrackStream& stream = *m_tracks[i].stream;
            stream.seek(first);
            const QByteArray pcm = stream.read(frames);
            if (pcm.size() == frames * 2352)
                offsets = findOffsets(chunks, m_tracks[i].audioIndex, pcm,
                                      qint64(first) * ArTrackChecksum::SamplesPerFrame, &m_cancel);
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
            break;
        }
        // A track of silence or one repeated value matches everywhere: no vote.
        if (offsets.size() <= 1) {
            for (int& offset : offsets)
                offset += m_readOffset;
            perTrack << offsets;
        }
        const int done = int(i) + 1;
        const int count = int(m_tracks.size());
        QMetaObject::invokeMethod(
            this,
            [this, done, count] {
                if (!m_cancel)
                    emit progress(100 * done / count,
                                  tr("Compared %1 of %2 tracks with the database's rips.")
                                      .arg(done)
                                      .arg(count));
            },
            Qt::QueuedConnection);
    }
    QMetaObject::invokeMethod(
        this, [this, perTrack, failure] { matched(perTrack, failure); }, Qt::QueuedConnection);
}

void OffsetFinder::matched(const QVector<QVector<int>>& perTrack, const QString& failure) {
    if (m_thread.joinable())
        m_thread.join();
    const int read = int(m_tracks.size());
    // The drive is free again for the media poller and the next read.
    m_tracks.clear();
    if (!failure.isEmpty())
        return report(std::nullopt, failure);
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
                       .arg(read));
}
