#pragma once

#include <functional>
#include <QApplication>
#include <QPointer>
#include <vector>

// The application object. Any exception that escapes an event handler ends
// up in one place, which asks the user whether to start Orvelle again.
class OrvelleApplication : public QApplication {
    Q_OBJECT
public:
    static constexpr const char* ErrorQuestion =
        "A system error occurs,click Yes to execute again,click No to exit!";
    // Set in the environment of a process started after an error: it waits
    // for the old one to let go of the single-instance lock.
    static constexpr const char* RestartVariable = "ORVELLE_RESTARTED";
    static constexpr int RestartWaitMs = 15000;
    // Names a file to which the start-up bench has the program append one line,
    // "<name> <monotonic ns>", when each watched window is first on the screen.
    static constexpr const char* StartupLogVariable = "ORVELLE_STARTUP_LOG";

    OrvelleApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // What runs when an exception escapes; the program sets it once its main window exists.
    void setExceptionHandler(std::function<void()> handler) { m_handler = std::move(handler); }

    // The program entry: single instance, splash, windows, message loop.
    static int run(int argc, char** argv);

    // Hands an error to the handler, one question at a time.
    void handleException();

    // Notes in the start-up log when `window` is first exposed and drawn; does
    // nothing unless the log is asked for.
    void watchFirstExposure(QWidget* window, const char* name);

private:
    void noteExposure(QObject* receiver);

    struct WatchedWindow {
        QPointer<QWidget> window;
        const char* name;
    };

    std::function<void()> m_handler;
    bool m_handling = false;
    QString m_startupLog;
    std::vector<WatchedWindow> m_watched;
};
