#include "app/exceptionhandler.h"

#include "app/mainwindow.h"
#include "app/orvelleapplication.h"
#include "platform/shell.h"
#include "platform/userprompt.h"

#include <QEvent>
#include <QMouseEvent>

ExceptionHandler::ExceptionHandler(MainWindow& window, UserPrompt& prompt, Shell& shell,
                                   QString executable)
    : m_window(window), m_prompt(prompt), m_shell(shell), m_executable(std::move(executable)) {}

void ExceptionHandler::applicationEvents1Exception() {
    m_restart = m_prompt.question(QLatin1String(OrvelleApplication::ErrorQuestion));
    m_window.close();
}

void ExceptionHandler::restart() {
    qputenv(OrvelleApplication::RestartVariable, "1");
    m_shell.startDetached(m_executable, {});
    qunsetenv(OrvelleApplication::RestartVariable);
}

bool ExceptionHandler::eventFilter(QObject* watched, QEvent* event) {
    if (m_window.formatEditorVisible()) {
        const bool frameClick = event->type() == QEvent::NonClientAreaMouseButtonPress &&
                                static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        // Window managers keep title-bar clicks to themselves; a drag shows up as a move.
        const bool windowDragged = event->type() == QEvent::Move && watched == &m_window;
        if (frameClick || windowDragged)
            m_window.hideFormatEditor();
    }
    return QObject::eventFilter(watched, event);
}
