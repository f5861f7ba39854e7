#pragma once

#include <QObject>
#include <QString>

class QWidget;

// The position slider "pb": an integer value from 0 to 930.
class IPositionSlider {
public:
    virtual ~IPositionSlider() = default;
    virtual int getValue() const = 0;
    virtual void setValue(int value) = 0;
};

class IPositionSliderView {
public:
    virtual ~IPositionSliderView() = default;
    virtual void redraw() = 0;
};

// A named object of the skin: a command button, or the slider.
class SkinObject {
public:
    virtual ~SkinObject() = default;
    virtual QString getName() const = 0;
    // The slider's two faces; null for any other object.
    virtual IPositionSlider* queryPositionSlider() { return nullptr; }
    virtual IPositionSliderView* queryPositionSliderView() { return nullptr; }
    // The widget that stands for the object in the window's tab order and to
    // screen readers; null where the skin offers none.
    virtual QWidget* focusTarget() const { return nullptr; }
};

// A skin form: the skinned surface of one window.
class SkinForm {
public:
    virtual ~SkinForm() = default;
    virtual SkinObject* getSkinObject(const QString& name) = 0; // null when absent
};

// The skin engine. It draws a window from the skin file and reports clicks and
// mouse presses on the skin's objects by the object.
class Skin : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Skin() override = default;

    virtual void loadSkin(const QString& path) = 0;
    virtual void applySkin(QWidget* window) = 0;
    virtual void applySkinForm(QWidget* window, const QString& formName) = 0;
    virtual SkinForm* getSkinnedForm(QWidget* window) = 0; // null when not skinned

signals:
    void onClick(SkinObject* source);
    void onMouseDown(SkinObject* source, int button, int x, int y);
    void onMouseUp(SkinObject* source, int button, int x, int y);
};
