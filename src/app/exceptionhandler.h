#pragma once

#include <QObject>
#include <QString>

class Shell;
class UserPrompt;
class MainWindow;

// The application-wide answer to an error no handler caught, and the hook
// that sees every event before it is delivered.
class ExceptionHandler : public QObject {
    Q_OBJECT
public:
    ExceptionHandler(MainWindow& window, UserPrompt& prompt, Shell& shell, QString executable);

    // Asks whether to start again; either way the main window closes.
    void applicationEvents1Exception();
    bool restartRequested() const { return m_restart; }
    // Starts the program again; the new process waits for this one to let go.
    void restart();

protected:
    // A press on a window's frame or title bar closes the in-place format editor.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MainWindow& m_window;
    UserPrompt& m_prompt;
    Shell& m_shell;
    QString m_executable;
    bool m_restart = false;
};
