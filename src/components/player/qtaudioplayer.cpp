#include "components/player/qtaudioplayer.h"

#include "components/output/pcmlayout.h"
#include "components/player/pcmqueue.h"
#include "platform/muldiv.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

namespace {

QtMessageHandler passOnMessage = nullptr;

// Qt's PulseAudio backend reports on the terminal when the machine has no sound
// server; the silent output stands in then, so that notice is not the user's concern.
void withoutSoundServerNotice(QtMsgType type, const QMessageLogContext& context,
                              const QString& message) {
    if (!message.startsWith(QLatin1String("PulseAudioService:")))
        passOnMessage(type, context, message);
}

QAudioDevice defaultOutput() {
    passOnMessage = qInstallMessageHandler(withoutSoundServerNotice);
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    qInstallMessageHandler(passOnMessage);
    return device;
}

// How long the queue must stay empty, once more sound has been asked for,
// before the source counts as finished.
constexpr int EndGraceMs = 200;

} // namespace

QtAudioPlayer::QtAudioPlayer(QObject* parent)
    : AudioPlayer(parent), m_queue(new PcmQueue(2, this)) {
    m_timer.setInterval(TimerIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &QtAudioPlayer::onTick);
    // Queued: the output reads the queue in the middle of its own work, maybe on
    // its own thread, and the program answers these events by queueing more.
    connect(
        m_queue, &PcmQueue::bufferConsumed, this,
        [this] {
            if (m_playing)
                emit onEndArrayPlay();
        },
        Qt::QueuedConnection);
    connect(m_queue, &PcmQueue::ranDry, this, &QtAudioPlayer::onRanDry, Qt::QueuedConnection);
}

QtAudioPlayer::~QtAudioPlayer() {
    stopOutput();
}

void QtAudioPlayer::setFormat(int sampleRate, int channels) {
    PcmLayout::check("Sound to play", sampleRate, channels, 2);
    m_sampleRate = sampleRate;
    m_channels = channels;
    m_queue->setChannels(channels);
}

void QtAudioPlayer::startPlayback() {
    stopOutput();
    m_queue->clear();
    m_playedBeforeOutputStart = 0;
    m_dryFor.invalidate();
    m_playing = true;
    startOutput();
    m_timer.start();
}

void QtAudioPlayer::stopPlayback() {
    m_playing = false;
    m_timer.stop();
    stopOutput();
    m_queue->clear();
}

void QtAudioPlayer::queueBuffer(const QByteArray& pcm) {
    m_queue->append(pcm);
    m_dryFor.invalidate();
}

void QtAudioPlayer::resetQueue() {
    m_queue->clear();
    if (!m_playing)
        return;
    m_playedBeforeOutputStart += playedByOutput();
    // The output's own buffer holds sound from before the seek: start it afresh.
    stopOutput();
    startOutput();
}

int QtAudioPlayer::samplesToMs(qint64 samples) {
    return int(mulDiv(samples, 1000, qint64(m_sampleRate) * m_channels));
}

void QtAudioPlayer::startOutput() {
    m_takenAtOutputStart = m_queue->taken();
    QAudioFormat format;
    format.setSampleRate(m_sampleRate);
    format.setChannelCount(m_channels);
    format.setSampleFormat(QAudioFormat::Int16);
    const QAudioDevice device = defaultOutput();
    if (!device.isNull() && device.isFormatSupported(format)) {
        m_sink = new QAudioSink(device, format, this);
        m_sink->start(m_queue);
        if (m_sink->error() != QAudio::NoError) {
            delete m_sink;
            m_sink = nullptr;
        }
    }
    if (!m_sink) {
        m_silentClock.start();
        m_silentCredit = 0;
    }
}

void QtAudioPlayer::stopOutput() {
    if (!m_sink)
        return;
    m_sink->stop();
    delete m_sink;
    m_sink = nullptr;
}

qint64 QtAudioPlayer::playedByOutput() const {
    if (m_sink)
        return m_sink->processedUSecs() * bytesPerSecond() / 1000000;
    return m_queue->taken() - m_takenAtOutputStart;
}

void QtAudioPlayer::onRanDry() {
    if (!m_playing)
        return;
    if (!m_dryFor.isValid())
        m_dryFor.start();
    emit onRequestOnLoadArray();
}

void QtAudioPlayer::onTick() {
    if (!m_playing)
        return;
    const int blockAlign = m_channels * 2;
    if (!m_sink) {
        // The silent output takes what the clock says was played since the last
        // tick; time spent with an empty queue is not made up later, as with a real one.
        m_silentCredit += double(m_silentClock.nsecsElapsed()) * bytesPerSecond() / 1e9;
        m_silentClock.start();
        const qint64 bytes = qint64(m_silentCredit) / blockAlign * blockAlign;
        m_queue->discard(bytes);
        m_silentCredit -= double(bytes);
    }
    const std::pair<int, int> peaks = m_queue->takePeaks();
    const qint64 played = m_playedBeforeOutputStart + playedByOutput();
    emit onTimer(int(played / blockAlign), peaks.first, peaks.second);

    if (m_dryFor.isValid() && m_dryFor.elapsed() >= EndGraceMs && m_queue->isEmpty()) {
        const qint64 stillInOutput = m_queue->taken() - m_takenAtOutputStart - playedByOutput();
        if (stillInOutput <= qint64(bytesPerSecond()) * TimerIntervalMs / 1000) {
            m_playing = false;
            m_timer.stop();
            stopOutput();
            emit onEndPlay();
        }
    }
}
