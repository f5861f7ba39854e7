#include "cli/interruptwatcher.h"

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <QSocketNotifier>
#include <unistd.h>

namespace {

const int Watched[] = {SIGINT, SIGTERM, SIGHUP};

int pipeEnds[2] = {-1, -1};
std::atomic<int> received{0};

void setHandler(void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : Watched)
        ::sigaction(signal, &action, nullptr);
}

// Only what is safe in a signal handler: one write, and the defaults back.
void onInterrupt(int signal) {
    setHandler(SIG_DFL);
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
}

} // namespace

InterruptWatcher::InterruptWatcher(QObject* parent) : QObject(parent) {
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // a signal then ends the program at once, as it would anyway
    m_notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        int signal = 0;
        while (::read(pipeEnds[0], &byte, 1) > 0)
            signal = byte;
        if (signal == 0)
            return;
        received = signal;
        emit interrupted(signal);
    });
    setHandler(onInterrupt);
}

InterruptWatcher::~InterruptWatcher() {
    if (!m_notifier)
        return;
    setHandler(SIG_DFL);
    delete m_notifier;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

int InterruptWatcher::lastSignal() {
    return received;
}
