#pragma once

#include <QAccessible>
#include <QWidget>

class SkinSurface;
class SvgSkinObject;

// The keyboard's and the screen reader's handle on one skin object: an
// invisible widget over the object that takes its place in the window's tab
// order. Space and Enter click it; on the slider the arrow, page, Home and End
// keys move the thumb and seek, as dragging it would. The mouse passes
// through to the skin.
class SkinObjectFocus : public QWidget {
    Q_OBJECT
public:
    SkinObjectFocus(SvgSkinObject& object, SkinSurface& surface);

    // The object's name as the user reads it ("Add File" for "addfile"); an
    // object the program does not know goes by its name in the skin.
    QString caption() const;
    QAccessible::Role role() const;
    // Null once the skin's objects have been replaced.
    SvgSkinObject* object() const { return m_object; }
    SkinSurface& surface() const { return m_surface; }

    // A left press and release on the object, as a mouse click reports it.
    void click();
    // Takes the slider to `value`, reported as a press and release there.
    void moveSlider(int value);
    // The object is gone: this widget goes too, and no longer reports anything.
    void detach();
    // Follows the object when the window changes size.
    void place();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    SvgSkinObject* m_object;
    SkinSurface& m_surface;
};
