#pragma once

#include <QWidget>

class SvgSkin;
class SvgSkinObject;

// The widget that draws the skin under the window's controls and turns mouse
// input on skin objects into the skin's events.
class SkinSurface : public QWidget {
    Q_OBJECT
public:
    SkinSurface(SvgSkin* skin, QWidget* window);

    SvgSkinObject* objectAt(const QPointF& pos) const;
    SvgSkinObject* hovered() const { return m_hovered; }
    SvgSkinObject* pressed() const { return m_pressed; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setHovered(SvgSkinObject* object);

    SvgSkin* m_skin;
    SvgSkinObject* m_hovered = nullptr;
    SvgSkinObject* m_pressed = nullptr;
};
