#include "app/firstframe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <utility>

FirstFrame::FirstFrame(QWidget* window, std::function<void()> work)
    : QObject(window), m_work(std::move(work)) {}

void FirstFrame::whenDrawn(QWidget* window, std::function<void()> work) {
    QWindow* handle = window->windowHandle();
    auto* watch = new FirstFrame(window, std::move(work));
    if (!handle || handle->isExposed()) {
        // Already on the screen, or no window of its own to wait for.
        QTimer::singleShot(0, watch, &FirstFrame::runWork);
        return;
    }
    handle->installEventFilter(watch);
    QTimer::singleShot(FallbackMs, watch, &FirstFrame::runWork);
}

bool FirstFrame::eventFilter(QObject* watched, QEvent* event) {
    auto* handle = qobject_cast<QWindow*>(watched);
    if (event->type() != QEvent::Expose || !handle || !handle->isExposed())
        return QObject::eventFilter(watched, event);
    // The window draws what the expose asks for first; the work comes after.
    handle->removeEventFilter(this);
    QCoreApplication::sendEvent(handle, event);
    runWork();
    return true;
}

void FirstFrame::runWork() {
    if (!m_work)
        return;
    const std::function<void()> work = std::exchange(m_work, nullptr);
    deleteLater();
    work();
}
