#include "app/orvelleapplication.h"

#include "app/exceptionhandler.h"
#include "app/mainwindow.h"
#include "components/player/qtaudioplayer.h"
#include "components/skin/svgskin.h"
#include "control/audiocomponentset.h"
#include "control/filelistcontrol.h"
#include "control/jobcontrol.h"
#include "desktop/desktopsession.h"
#include "dialogs/qtuserprompt.h"
#include "dialogs/splash.h"
#include "platform/filehandover.h"
#include "platform/singleinstance.h"
#include "platform/ui/desktopshell.h"
#include "platform/version.h"
#include "settings/settingsfile.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <unistd.h>

namespace {

// The engine's components, the lookup on the disc databases, and the preview
// player and the skin the window adds.
AudioComponentSet createAudioComponents(const SettingsFile& settings) {
    AudioComponentSet set = createEngineComponents(settings);
    set.audioPlayer = std::make_unique<QtAudioPlayer>();
    set.skin = std::make_unique<SvgSkin>();
    return set;
}

} // namespace

namespace {

int closeSignalPipe[2] = {-1, -1};

// Only what is safe in a signal handler: one write, and the defaults back,
// so that a second signal ends a program that could not close.
void onCloseSignal(int) {
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGHUP, SIG_DFL);
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(closeSignalPipe[1], &byte, 1);
}

// Closes the window as its close box does, but only from the main event loop:
// a command that waits for an answer must not find its window closed under
// it. A question still open is answered as its own close box answers it.
void closeWhenIdle(QWidget& window) {
    if (QThread::currentThread()->loopLevel() > 1) {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
        constexpr int RetryMs = 50;
        QTimer::singleShot(RetryMs, &window, [&window] { closeWhenIdle(window); });
        return;
    }
    window.close();
}

// SIGTERM and SIGHUP (a logout, a shutdown) close the window as its close box
// does, so that the settings are saved, but a running job first removes the
// files it had not finished; the handler only wakes the event loop.
void closeOnSignals(MainWindow& window) {
    if (::pipe2(closeSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // the signals then end the program as they would anyway
    auto* notifier = new QSocketNotifier(closeSignalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char byte = 0;
        while (::read(closeSignalPipe[0], &byte, 1) > 0) {
        }
        window.controller().interruptJob();
        closeWhenIdle(window);
    });
    struct sigaction action = {};
    action.sa_handler = onCloseSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
}

} // namespace

OrvelleApplication::OrvelleApplication(int& argc, char** argv)
    : QApplication(argc, argv), m_startupLog(qEnvironmentVariable(StartupLogVariable)) {}

bool OrvelleApplication::notify(QObject* receiver, QEvent* event) {
    try {
        const bool handled = QApplication::notify(receiver, event);
        // After the event: by then the window has drawn what the expose asked for.
        if (!m_watched.empty() && event->type() == QEvent::Expose)
            noteExposure(receiver);
        return handled;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Orvelle: %s\n", error.what());
        handleException();
    } catch (...) {
        std::fprintf(stderr, "Orvelle: unknown error\n");
        handleException();
    }
    return false;
}

void OrvelleApplication::handleException() {
    // One question at a time: an error while it is open needs no second one.
    if (m_handling)
        return;
    m_handling = true;
    if (m_handler)
        m_handler();
    else
        quit();
    m_handling = false;
}

void OrvelleApplication::watchFirstExposure(QWidget* window, const char* name) {
    if (!m_startupLog.isEmpty())
        m_watched.push_back({window, name});
}

void OrvelleApplication::noteExposure(QObject* receiver) {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    for (auto it = m_watched.begin(); it != m_watched.end(); ++it) {
        QWindow* shown = it->window ? it->window->windowHandle() : nullptr;
        if (!shown || shown != receiver || !shown->isExposed())
            continue;
        QFile log(m_startupLog);
        if (log.open(QIODevice::WriteOnly | QIODevice::Append))
            log.write(QByteArray(it->name) + ' ' +
                      QByteArray::number(qint64(
                          std::chrono::duration_cast<std::chrono::nanoseconds>(now).count())) +
                      '\n');
        m_watched.erase(it);
        return;
    }
}

int OrvelleApplication::run(int argc, char** argv) {
    const bool restarted = qEnvironmentVariableIsSet(RestartVariable);
    qunsetenv(RestartVariable);

    OrvelleApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Orvelle"));
    app.setApplicationDisplayName(QStringLiteral("Orvelle"));
    app.setApplicationVersion(orvelleVersion());
    // The task bar and the notifications find the program's entry and icon by it.
    app.setDesktopFileName(QStringLiteral("orvelle"));

    const QString lockPath = SingleInstance::defaultLockPath();
    const QString handOverSocket = FileHandOver::socketPath(lockPath);
    const QStringList files = commandLinePaths(app.arguments(), QDir::currentPath());
    SingleInstance instance(lockPath);
    if (!instance.acquire(restarted ? RestartWaitMs : 0)) {
        // No private place for the lock: say so, rather than end as if Orvelle ran.
        if (!instance.error().isEmpty()) {
            std::fprintf(stderr, "Orvelle: %s\n", qPrintable(instance.error()));
            return 1;
        }
        // Orvelle runs already: its window takes the files.
        if (!files.isEmpty())
            FileHandOver::send(handOverSocket, files);
        return 0;
    }

    // The splash closes and deletes itself one second after the loop starts.
    QPointer<Splash> splash = new Splash;
    app.watchFirstExposure(splash, "splash");
    splash->showNow();

    DesktopShell shell;
    QtUserPrompt prompt;
    // Made before the window, so that it outlives a job the window still holds at exit.
    DesktopSession desktop(shell);
    const QString settingsPath = SettingsFile::defaultPath();
    MainWindow window(createAudioComponents(SettingsFile(settingsPath)), prompt, shell,
                      settingsPath, QCoreApplication::applicationDirPath());
    prompt.setParent(&window);
    desktop.setWindowActive([&window] { return window.isActiveWindow(); });
    window.controller().jobs().setWatcher(&desktop);
    ExceptionHandler handler(window, prompt, shell, QCoreApplication::applicationFilePath());
    app.setExceptionHandler([&handler] { handler.applicationEvents1Exception(); });
    // What a command raises is printed and answered like any other error.
    window.controller().setErrorHandler([&app](const QString& message) {
        std::fprintf(stderr, "Orvelle: %s\n", qPrintable(message));
        app.handleException();
    });
    app.installEventFilter(&handler);
    // Files opened with Orvelle from a file manager; they are added once the window has started.
    window.controller().addFilesFromCommandLine(files);
    FileHandOver handOver;
    QObject::connect(&handOver, &FileHandOver::pathsReceived, &window,
                     [&window](const QStringList& paths) {
                         window.controller().run([&window, paths] {
                             window.controller().addFilesFromCommandLine(paths);
                         });
                         window.raise();
                         window.activateWindow();
                     });
    // Before the socket appears, so that whoever sees it may send the signals.
    closeOnSignals(window);
    handOver.listen(handOverSocket);

    app.watchFirstExposure(&window, "window");
    window.show();
    // Above the main window, also where no window manager keeps it there.
    if (splash)
        splash->raise();
    const int result = app.exec();
    instance.release();
    if (handler.restartRequested())
        handler.restart();
    return result;
}
