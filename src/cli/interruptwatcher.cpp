#include "cli/interruptwatcher.h"

#include <csignal>
#include <fcntl.h>
#include <QSocketNotifier>
#include <unistd.h>

namespace {

int pipeEnds[2] = {-1, -1};

// Only what is safe in a signal handler: one write, and the default back.
void onInterrupt(int) {
    std::signal(SIGINT, SIG_DFL);
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
}

} // namespace

InterruptWatcher::InterruptWatcher(QObject* parent) : QObject(parent) {
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // Ctrl-C then ends the program at once, as it would anyway
    m_notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        while (::read(pipeEnds[0], &byte, 1) > 0) {
        }
        emit interrupted();
    });
    std::signal(SIGINT, onInterrupt);
}

InterruptWatcher::~InterruptWatcher() {
    if (!m_notifier)
        return;
    std::signal(SIGINT, SIG_DFL);
    delete m_notifier;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}
