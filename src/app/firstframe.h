#pragma once

#include <functional>
#include <QObject>

class QWidget;

// Runs work once a shown window's first frame is on the screen: right after the
// window system first exposes it and it has drawn itself. What the first frame
// does not need waits here, so that it does not hold the window back. A window
// that is not exposed within FallbackMs (started minimised, say) has the work
// run then all the same.
class FirstFrame : public QObject {
    Q_OBJECT
public:
    static constexpr int FallbackMs = 1000;

    // `window` must have been shown; the work runs at most once, and not at
    // all when the window is gone first.
    static void whenDrawn(QWidget* window, std::function<void()> work);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FirstFrame(QWidget* window, std::function<void()> work);
    void runWork();

    std::function<void()> m_work;
};
