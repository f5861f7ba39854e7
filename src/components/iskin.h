#pragma once

#include <QObject>
#include <QString>

class QWidget;

// The position slider "pb": an integer value from 0 to 930.
class IPositionSlider {
public:
    virtual ~IPositionSlider() = default;
    virtual int GetValue() const = 0;
    virtual void SetValue(int value) = 0;
};

class IPositionSliderView {
public:
    virtual ~IPositionSliderView() = default;
    virtual void Redraw() = 0;
};

// A named object of the skin: a command button, or the slider.
class ISkinObject {
public:
    virtual ~ISkinObject() = default;
    virtual QString GetName() const = 0;
    // The slider's two faces; null for any other object.
    virtual IPositionSlider* QueryPositionSlider() { return nullptr; }
    virtual IPositionSliderView* QueryPositionSliderView() { return nullptr; }
};

// A skin form: the skinned surface of one window.
class ISkinForm {
public:
    virtual ~ISkinForm() = default;
    virtual ISkinObject* GetSkinObject(const QString& name) = 0; // null when absent
};

// The skin engine. It draws a window from the skin file and reports clicks and
// mouse presses on the skin's objects by the object.
class ISkin : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~ISkin() override = default;

    virtual void LoadSkin(const QString& path) = 0;
    virtual void ApplySkin(QWidget* window) = 0;
    virtual void ApplySkinForm(QWidget* window, const QString& formName) = 0;
    virtual ISkinForm* GetSkinnedForm(QWidget* window) = 0; // null when not skinned

signals:
    void OnClick(ISkinObject* source);
    void OnMouseDown(ISkinObject* source, int button, int x, int y);
    void OnMouseUp(ISkinObject* source, int button, int x, int y);
};
