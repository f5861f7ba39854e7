#include "components/skin/skinobjectfocus.h"

#include "components/skin/skinsurface.h"
#include "components/skin/svgskin.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace {

struct Caption {
    const char* name;
    const char* caption;
    QAccessible::Role role;
};

// The program's skin objects by what they do; a skin's objects keep these
// names, so the captions belong with them.
constexpr Caption Captions[] = {
    {"file", QT_TRANSLATE_NOOP("SkinObject", "File"), QAccessible::ButtonMenu},
    {"help", QT_TRANSLATE_NOOP("SkinObject", "Help"), QAccessible::ButtonMenu},
    {"start", QT_TRANSLATE_NOOP("SkinObject", "Start"), QAccessible::Button},
    {"stop", QT_TRANSLATE_NOOP("SkinObject", "Stop"), QAccessible::Button},
    {"set", QT_TRANSLATE_NOOP("SkinObject", "Settings"), QAccessible::Button},
    {"addfile", QT_TRANSLATE_NOOP("SkinObject", "Add File"), QAccessible::Button},
    {"remove", QT_TRANSLATE_NOOP("SkinObject", "Remove"), QAccessible::Button},
    {"clear", QT_TRANSLATE_NOOP("SkinObject", "Clear"), QAccessible::Button},
    {"refresh", QT_TRANSLATE_NOOP("SkinObject", "Refresh"), QAccessible::Button},
    {"freedb", QT_TRANSLATE_NOOP("SkinObject", "FreeDB"), QAccessible::Button},
    {"break", QT_TRANSLATE_NOOP("SkinObject", "Previous"), QAccessible::Button},
    {"play", QT_TRANSLATE_NOOP("SkinObject", "Play"), QAccessible::Button},
    {"playstop", QT_TRANSLATE_NOOP("SkinObject", "Stop Playing"), QAccessible::Button},
    {"next", QT_TRANSLATE_NOOP("SkinObject", "Next"), QAccessible::Button},
    {"hou", QT_TRANSLATE_NOOP("SkinObject", "Rewind"), QAccessible::Button},
    {"qian", QT_TRANSLATE_NOOP("SkinObject", "Fast Forward"), QAccessible::Button},
    {"pb", QT_TRANSLATE_NOOP("SkinObject", "Position"), QAccessible::Slider},
};

const Caption* captionOf(const SvgSkinObject* object) {
    if (!object)
        return nullptr;
    for (const Caption& caption : Captions)
        if (object->getName() == QLatin1String(caption.name))
            return &caption;
    return nullptr;
}

// A fiftieth of the way per arrow key, a tenth per page.
constexpr int SliderStep = SvgSkinObject::SliderMax / 50;
constexpr int SliderPage = SvgSkinObject::SliderMax / 10;

} // namespace

SkinObjectFocus::SkinObjectFocus(SvgSkinObject& object, SkinSurface& surface)
    : QWidget(&surface), m_object(&object), m_surface(surface) {
    setObjectName(object.getName() + QLatin1String("-focus"));
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    place();
}

QString SkinObjectFocus::caption() const {
    if (const Caption* known = captionOf(m_object))
        return QCoreApplication::translate("SkinObject", known->caption);
    return m_object ? m_object->getName() : QString();
}

QAccessible::Role SkinObjectFocus::role() const {
    if (const Caption* known = captionOf(m_object))
        return known->role;
    return m_object && m_object->isSlider() ? QAccessible::Slider : QAccessible::Button;
}

void SkinObjectFocus::place() {
    if (m_object)
        setGeometry(m_object->bounds().toAlignedRect());
}

void SkinObjectFocus::detach() {
    m_object = nullptr;
    hide();
    deleteLater();
}

void SkinObjectFocus::click() {
    if (m_object)
        m_surface.clickFromKeyboard(m_object);
}

void SkinObjectFocus::moveSlider(int value) {
    if (m_object && m_object->isSlider())
        m_surface.moveSliderFromKeyboard(m_object, value);
}

void SkinObjectFocus::keyPressEvent(QKeyEvent* event) {
    if (!m_object)
        return QWidget::keyPressEvent(event);
    const int key = event->key();
    if (!m_object->isSlider()) {
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter ||
            key == Qt::Key_Select) {
            if (!event->isAutoRepeat())
                click();
            return;
        }
        return QWidget::keyPressEvent(event);
    }
    const int value = m_object->getValue();
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        return moveSlider(value - SliderStep);
    case Qt::Key_Right:
    case Qt::Key_Up:
        return moveSlider(value + SliderStep);
    case Qt::Key_PageDown:
        return moveSlider(value - SliderPage);
    case Qt::Key_PageUp:
        return moveSlider(value + SliderPage);
    case Qt::Key_Home:
        return moveSlider(0);
    case Qt::Key_End:
        return moveSlider(SvgSkinObject::SliderMax);
    default:
        return QWidget::keyPressEvent(event);
    }
}

// The skin draws the focus ring around the object.
void SkinObjectFocus::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    m_surface.update();
}

void SkinObjectFocus::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    m_surface.update();
}
