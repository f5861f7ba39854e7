#include "components/skin/skinsurface.h"

#include "components/skin/skinaccessible.h"
#include "components/skin/skinobjectfocus.h"
#include "components/skin/svgskin.h"

#include <QEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QToolTip>

namespace {
const QColor Accent(0x3d, 0x9b, 0xff);
} // namespace

SkinSurface::SkinSurface(SvgSkin* skin, QWidget* window) : QWidget(window), m_skin(skin) {
    setMouseTracking(true);
    setObjectName(QStringLiteral("Skin1"));
    SkinAccessible::install();
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

SvgSkinObject* SkinSurface::pressed() const {
    const auto it = m_presses.find(Qt::LeftButton);
    return it == m_presses.end() ? nullptr : it->second;
}

void SkinSurface::forgetObjects() {
    for (SkinObjectFocus* stop : m_focusStops)
        stop->detach();
    m_focusStops.clear();
    m_hovered = nullptr;
    m_presses.clear();
    m_background = QPixmap();
    ++m_generation;
    unsetCursor();
}

void SkinSurface::makeFocusStops() {
    for (SkinObjectFocus* stop : m_focusStops)
        stop->detach();
    m_focusStops.clear();
    for (const auto& object : m_skin->objects()) {
        auto* stop = new SkinObjectFocus(*object, *this);
        object->setFocusTarget(stop);
        stop->show();
        m_focusStops.push_back(stop);
    }
}

void SkinSurface::clickFromKeyboard(SvgSkinObject* object) {
    const QPoint centre = object->bounds().center().toPoint();
    const unsigned generation = m_generation;
    update();
    emit m_skin->onMouseDown(object, Qt::LeftButton, centre.x(), centre.y());
    if (generation == m_generation)
        emit m_skin->onMouseUp(object, Qt::LeftButton, centre.x(), centre.y());
    if (generation == m_generation)
        emit m_skin->onClick(object);
}

void SkinSurface::moveSliderFromKeyboard(SvgSkinObject* slider, int value) {
    const unsigned generation = m_generation;
    QPoint at = slider->thumbRect().center().toPoint();
    emit m_skin->onMouseDown(slider, Qt::LeftButton, at.x(), at.y());
    if (generation != m_generation)
        return;
    slider->setValue(value);
    update();
    at = slider->thumbRect().center().toPoint();
    emit m_skin->onMouseUp(slider, Qt::LeftButton, at.x(), at.y());
}

void SkinSurface::resizeEvent(QResizeEvent*) {
    m_background = QPixmap();
    for (SkinObjectFocus* stop : m_focusStops)
        stop->place();
}

bool SkinSurface::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const SvgSkinObject* object = objectAt(help->pos());
        SkinObjectFocus* stop =
            object ? static_cast<SkinObjectFocus*>(object->focusTarget()) : nullptr;
        if (stop && stop->caption() != object->getName())
            QToolTip::showText(help->globalPos(), stop->caption(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void SkinSurface::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!m_skin->isLoaded()) {
        painter.fillRect(rect(), palette().window());
        return;
    }
    const qreal ratio = devicePixelRatioF();
    if (m_background.isNull()) {
        // Rendering the whole document is slow; hover and slider changes reuse it.
        m_background = QPixmap((QSizeF(size()) * ratio).toSize());
        m_background.setDevicePixelRatio(ratio);
        m_background.fill(palette().window().color());
        QPainter cache(&m_background);
        cache.setRenderHint(QPainter::Antialiasing);
        m_skin->m_renderer->render(&cache, QRectF(rect()));
    }
    painter.drawPixmap(0, 0, m_background);

    painter.setRenderHint(QPainter::Antialiasing);
    for (const auto& object : m_skin->objects()) {
        if (object->isSlider())
            paintSlider(painter, *object);
        else
            paintState(painter, *object);
        paintFocus(painter, *object);
    }
}

// Drawn over whatever the skin's own layers show, so the keyboard user always sees it.
void SkinSurface::paintFocus(QPainter& painter, const SvgSkinObject& object) {
    const QWidget* stop = object.focusTarget();
    if (!stop || !stop->hasFocus())
        return;
    const QRectF box = object.bounds().adjusted(1, 1, -1, -1);
    const qreal radius = std::min<qreal>(5.0, box.height() / 4);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0x0b, 0x1a, 0x29), 3));
    painter.drawRoundedRect(box, radius, radius);
    painter.setPen(QPen(QColor(0xff, 0xd0, 0x4a), 1.5));
    painter.drawRoundedRect(box, radius, radius);
}

void SkinSurface::paintState(QPainter& painter, const SvgSkinObject& object) {
    const QRectF box = object.bounds().adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = std::min<qreal>(5.0, box.height() / 4);
    if (&object == pressed() && &object == m_hovered) {
        if (m_skin->renderLayer(painter, object.getName() + QLatin1String("-down")))
            return;
        painter.setPen(QPen(Accent, 1));
        painter.setBrush(QColor(0, 0, 0, 80));
        painter.drawRoundedRect(box, radius, radius);
    } else if (&object == m_hovered) {
        if (m_skin->renderLayer(painter, object.getName() + QLatin1String("-hover")))
            return;
        painter.setPen(QPen(QColor(255, 255, 255, 90), 1));
        painter.setBrush(QColor(255, 255, 255, 36));
        painter.drawRoundedRect(box, radius, radius);
    }
}

void SkinSurface::paintSlider(QPainter& painter, const SvgSkinObject& slider) {
    const QRectF track = slider.bounds();
    const QRectF thumb = slider.thumbRect();
    const qreal band = std::max<qreal>(4.0, track.height() / 4);
    const QRectF filled(track.left(), track.center().y() - band / 2,
                        thumb.center().x() - track.left(), band);
    if (filled.width() >= 1 && !m_skin->renderLayer(painter, QStringLiteral("pb-fill"), filled)) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Accent);
        painter.drawRoundedRect(filled, band / 2, band / 2);
    }
    if (m_skin->renderLayer(painter, QStringLiteral("pb-thumb"), thumb))
        return;
    const qreal diameter = std::min(thumb.width(), thumb.height()) - 2;
    const QRectF knob(thumb.center().x() - diameter / 2, thumb.center().y() - diameter / 2,
                      diameter, diameter);
    const bool active = &slider == pressed() || &slider == m_hovered;
    painter.setPen(QPen(active ? Accent : QColor(0x9c, 0xb6, 0xd1), 1.5));
    painter.setBrush(QColor(0xf4, 0xf8, 0xfc));
    painter.drawEllipse(knob);
}

void SkinSurface::setHovered(SvgSkinObject* object) {
    if (object == m_hovered)
        return;
    m_hovered = object;
    if (object)
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
    update();
}

void SkinSurface::releaseLostButtons(Qt::MouseButtons held, const QPoint& pos) {
    std::vector<std::pair<Qt::MouseButton, SvgSkinObject*>> lost;
    for (auto it = m_presses.begin(); it != m_presses.end();) {
        if (held & it->first) {
            ++it;
            continue;
        }
        lost.emplace_back(*it);
        it = m_presses.erase(it);
    }
    const unsigned generation = m_generation;
    for (const auto& [button, object] : lost) {
        if (generation != m_generation)
            return;
        update();
        emit m_skin->onMouseUp(object, static_cast<int>(button), pos.x(), pos.y());
    }
}

void SkinSurface::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    releaseLostButtons(event->buttons(), pos);
    SvgSkinObject* slider = pressed();
    if (slider && slider->isSlider()) {
        slider->setValue(slider->valueAt(event->position().x()));
        update();
    }
    setHovered(objectAt(event->position()));
}

void SkinSurface::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const Qt::MouseButton button = event->button();
    // The press of `button` itself is new; any other missing button was released unseen.
    releaseLostButtons(event->buttons() & ~Qt::MouseButtons(button), pos);
    SvgSkinObject* object = objectAt(event->position());
    setHovered(object);
    if (!object)
        return;
    m_presses[button] = object;
    if (button == Qt::LeftButton && object->isSlider())
        object->setValue(object->valueAt(event->position().x()));
    update();
    emit m_skin->onMouseDown(object, static_cast<int>(button), pos.x(), pos.y());
}

void SkinSurface::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const Qt::MouseButton button = event->button();
    const auto it = m_presses.find(button);
    if (it == m_presses.end()) {
        setHovered(objectAt(event->position()));
        return;
    }
    SvgSkinObject* object = it->second;
    m_presses.erase(it);
    if (button == Qt::LeftButton && object->isSlider())
        object->setValue(object->valueAt(event->position().x()));
    const bool click = button == Qt::LeftButton && objectAt(event->position()) == object;
    setHovered(objectAt(event->position()));
    update();
    const unsigned generation = m_generation;
    emit m_skin->onMouseUp(object, static_cast<int>(button), pos.x(), pos.y());
    if (click && generation == m_generation)
        emit m_skin->onClick(object);
}

void SkinSurface::leaveEvent(QEvent*) {
    setHovered(nullptr);
}
