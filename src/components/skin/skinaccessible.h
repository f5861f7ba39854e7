#pragma once

#include <QAccessibleWidget>

class SkinObjectFocus;

// A skin object as assistive technology sees it: a button named for its
// command (a menu button for the two that open menus) that can be pressed, or
// the position slider with its value, which can be set. Pressed and hovered
// as the mouse leaves it.
class SkinAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SkinAccessible(SkinObjectFocus* focus);

    // Makes the skin's objects known to the accessibility framework; once per program.
    static void install();

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    SkinObjectFocus* focus() const;
};
