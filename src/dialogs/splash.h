#pragma once

#include <functional>
#include <QImage>
#include <QWidget>

class QEventLoop;

// The start-up picture: a borderless window in the middle of the screen. On
// the first tick of its one-second timer it lets pending events run, closes and
// deletes itself, so it is gone one second after the event loop starts.
class Splash : public QWidget {
    Q_OBJECT
public:
    static constexpr int Width = 282;
    static constexpr int Height = 92;
    static constexpr int TickMs = 1000;
    // How long showNow() waits at most for the window system to put it on the screen.
    static constexpr int ExposeWaitMs = 100;

    // Calls `tick` once, `ms` from now, while `context` lives. A Qt timer
    // unless a test brings its own.
    using Clock = std::function<void(int ms, QObject* context, std::function<void()> tick)>;

    // Shows the program's own picture.
    explicit Splash(QWidget* parent = nullptr);
    // Shows the given JPEG; one that cannot be decoded gives a plain panel.
    explicit Splash(const QByteArray& jpeg, Clock clock = {}, QWidget* parent = nullptr);

    // The decoded picture; null when it could not be decoded.
    const QImage& picture() const { return m_picture; }
    // Shows the splash and paints it at once, before the event loop runs: where
    // the window system maps it a moment later, it waits (briefly) for that.
    void showNow();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void tick();

    QImage m_picture;
    Clock m_clock;
    bool m_ticking = false;
    // Runs while showNow() waits for the first paint.
    QEventLoop* m_untilDrawn = nullptr;
};
