#include "components/skin/skinaccessible.h"

#include "components/skin/skinobjectfocus.h"
#include "components/skin/skinsurface.h"
#include "components/skin/svgskin.h"

namespace {

QAccessibleInterface* skinFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("SkinObjectFocus") && object && object->isWidgetType())
        return new SkinAccessible(static_cast<SkinObjectFocus*>(object));
    return nullptr;
}

} // namespace

SkinAccessible::SkinAccessible(SkinObjectFocus* focus) : QAccessibleWidget(focus, focus->role()) {}

void SkinAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(skinFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

SkinObjectFocus* SkinAccessible::focus() const {
    return static_cast<SkinObjectFocus*>(widget());
}

QString SkinAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Name)
        return focus()->caption();
    if (t == QAccessible::Value && focus()->object() && focus()->object()->isSlider())
        return QString::number(focus()->object()->getValue());
    return QAccessibleWidget::text(t);
}

QAccessible::State SkinAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    const SvgSkinObject* object = focus()->object();
    if (!object) {
        state.invisible = true;
        return state;
    }
    state.pressed = object == focus()->surface().pressed();
    state.hotTracked = object == focus()->surface().hovered();
    if (role() == QAccessible::ButtonMenu)
        state.hasPopup = true;
    return state;
}

void* SkinAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface && role() == QAccessible::Slider)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QStringList SkinAccessible::actionNames() const {
    QStringList names = QAccessibleWidget::actionNames();
    if (role() != QAccessible::Slider)
        names.prepend(pressAction());
    return names;
}

// Queued, so that a command that opens a window of its own (the file dialog)
// does not hold up the screen reader's call.
void SkinAccessible::doAction(const QString& actionName) {
    if (actionName != pressAction() || role() == QAccessible::Slider)
        return QAccessibleWidget::doAction(actionName);
    QMetaObject::invokeMethod(focus(), &SkinObjectFocus::click, Qt::QueuedConnection);
}

QVariant SkinAccessible::currentValue() const {
    const SvgSkinObject* object = focus()->object();
    return object ? object->getValue() : 0;
}

void SkinAccessible::setCurrentValue(const QVariant& value) {
    const int to = value.toInt();
    QMetaObject::invokeMethod(
        focus(), [focus = focus(), to] { focus->moveSlider(to); }, Qt::QueuedConnection);
}

QVariant SkinAccessible::maximumValue() const {
    return SvgSkinObject::SliderMax;
}

QVariant SkinAccessible::minimumValue() const {
    return 0;
}

QVariant SkinAccessible::minimumStepSize() const {
    return 1;
}
