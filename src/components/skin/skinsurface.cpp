#include "components/skin/skinsurface.h"

#include "components/skin/svgskin.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

SkinSurface::SkinSurface(SvgSkin* skin, QWidget* window) : QWidget(window), m_skin(skin) {
    setMouseTracking(true);
    setObjectName(QStringLiteral("Skin1"));
    // The surface always covers the whole window.
    window->installEventFilter(this);
}

bool SkinSurface::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

SvgSkinObject* SkinSurface::objectAt(const QPointF& pos) const {
    const auto& objects = m_skin->objects();
    // Later objects are drawn on top, so they win.
    for (auto it = objects.rbegin(); it != objects.rend(); ++it)
        if ((*it)->bounds().contains(pos))
            return it->get();
    return nullptr;
}

void SkinSurface::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!m_skin->isLoaded()) {
        painter.fillRect(rect(), palette().window());
        return;
    }
    m_skin->m_renderer.render(&painter, QRectF(rect()));

    for (const auto& object : m_skin->objects()) {
        if (object->isSlider()) {
            const QRectF track = object->bounds();
            const QRectF thumb = object->thumbRect();
            QRectF filled = track;
            filled.setRight(thumb.center().x());
            filled.adjust(0, track.height() * 0.35, 0, -track.height() * 0.35);
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0x4f, 0xb3, 0xff));
            painter.drawRoundedRect(filled, 2, 2);
            painter.setBrush(object.get() == m_pressed ? QColor(0xc8, 0xe6, 0xff)
                                                       : QColor(0xf2, 0xf7, 0xfc));
            painter.setPen(QPen(QColor(0x1d, 0x4e, 0x7a), 1));
            painter.drawRoundedRect(thumb.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
            continue;
        }
        if (object.get() == m_pressed && object.get() == m_hovered) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0, 0, 0, 70));
            painter.drawRoundedRect(object->bounds(), 4, 4);
        } else if (object.get() == m_hovered) {
            painter.setPen(QPen(QColor(255, 255, 255, 140), 1));
            painter.setBrush(QColor(255, 255, 255, 45));
            painter.drawRoundedRect(object->bounds().adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
        }
    }
}

void SkinSurface::setHovered(SvgSkinObject* object) {
    if (object == m_hovered)
        return;
    m_hovered = object;
    setCursor(object && !object->isSlider() ? Qt::PointingHandCursor : Qt::ArrowCursor);
    update();
}

void SkinSurface::mouseMoveEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    if (m_pressed && m_pressed->isSlider()) {
        m_pressed->SetValue(m_pressed->valueAt(pos.x()));
        update();
        return;
    }
    setHovered(objectAt(pos));
}

void SkinSurface::mousePressEvent(QMouseEvent* event) {
    SvgSkinObject* object = objectAt(event->position());
    if (!object)
        return;
    m_pressed = object;
    const QPoint pos = event->position().toPoint();
    if (object->isSlider())
        object->SetValue(object->valueAt(event->position().x()));
    update();
    emit m_skin->OnMouseDown(object, static_cast<int>(event->button()), pos.x(), pos.y());
}

void SkinSurface::mouseReleaseEvent(QMouseEvent* event) {
    SvgSkinObject* object = m_pressed;
    m_pressed = nullptr;
    if (!object)
        return;
    update();
    const QPoint pos = event->position().toPoint();
    emit m_skin->OnMouseUp(object, static_cast<int>(event->button()), pos.x(), pos.y());
    // A click is a press and a release on the same object.
    if (event->button() == Qt::LeftButton && objectAt(event->position()) == object)
        emit m_skin->OnClick(object);
}

void SkinSurface::leaveEvent(QEvent*) {
    setHovered(nullptr);
}
