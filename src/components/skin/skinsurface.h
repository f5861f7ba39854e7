#pragma once

#include <map>
#include <QPixmap>
#include <QWidget>
#include <vector>

class SkinObjectFocus;
class SvgSkin;
class SvgSkinObject;

// The widget that draws the skin under the window's controls and turns mouse
// input on skin objects into the skin's events. Every press on an object is
// answered by exactly one release event for that object, even when the release
// itself never reaches us; a click is a left press and release on the same object.
class SkinSurface : public QWidget {
    Q_OBJECT
public:
    SkinSurface(SvgSkin* skin, QWidget* window);

    SvgSkinObject* objectAt(const QPointF& pos) const;
    SvgSkinObject* hovered() const { return m_hovered; }
    // The object held down by the left button, if any.
    SvgSkinObject* pressed() const;
    // The skin's objects are about to be replaced: drop every reference to them.
    void forgetObjects();
    // Gives each object its place in the tab order and in the accessibility tree.
    void makeFocusStops();

    // What the keyboard does to an object, reported as the mouse reports it:
    // a click, or the slider pressed, moved to `value` and released.
    void clickFromKeyboard(SvgSkinObject* object);
    void moveSliderFromKeyboard(SvgSkinObject* slider, int value);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setHovered(SvgSkinObject* object);
    // Reports the release of every tracked button that is no longer held.
    void releaseLostButtons(Qt::MouseButtons held, const QPoint& pos);
    void paintSlider(QPainter& painter, const SvgSkinObject& slider);
    void paintState(QPainter& painter, const SvgSkinObject& object);
    void paintFocus(QPainter& painter, const SvgSkinObject& object);

    SvgSkin* m_skin;
    SvgSkinObject* m_hovered = nullptr;
    // The object each held mouse button went down on.
    std::map<Qt::MouseButton, SvgSkinObject*> m_presses;
    // Counts object rebuilds, so that a handler that reloads the skin while an
    // event is being reported does not leave us using the old objects.
    unsigned m_generation = 0;
    QPixmap m_background;
    std::vector<SkinObjectFocus*> m_focusStops;
};
