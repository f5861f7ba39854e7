#pragma once

#include "components/skin.h"

#include <memory>
#include <QPointer>
#include <QRectF>
#include <vector>

class QPainter;
class QSvgRenderer;
class SkinObjectFocus;
class SkinSurface;
class SvgSkin;

// One named object of a skin form: its name and where it sits in the skin document.
class SvgSkinObject : public SkinObject, public IPositionSlider, public IPositionSliderView {
public:
    static constexpr int SliderMax = 930;

    SvgSkinObject(QString name, QRectF documentBounds, bool isSlider, SvgSkin* skin)
        : m_name(std::move(name)), m_documentBounds(documentBounds), m_isSlider(isSlider),
          m_skin(skin) {}

    QString getName() const override { return m_name; }
    IPositionSlider* queryPositionSlider() override { return m_isSlider ? this : nullptr; }
    IPositionSliderView* queryPositionSliderView() override { return m_isSlider ? this : nullptr; }
    QWidget* focusTarget() const override;
    void setFocusTarget(SkinObjectFocus* focus) { m_focus = focus; }

    int getValue() const override { return m_value; }
    void setValue(int value) override;
    void redraw() override;

    const QRectF& documentBounds() const { return m_documentBounds; }
    // Where the object sits on the window now; follows the window's size.
    QRectF bounds() const;
    bool isSlider() const { return m_isSlider; }
    // The slider value at a window x position.
    int valueAt(qreal x) const;
    // Where the slider's thumb is drawn.
    QRectF thumbRect() const;

private:
    QString m_name;
    QRectF m_documentBounds;
    bool m_isSlider;
    SvgSkin* m_skin;
    int m_value = 0;
    SkinObjectFocus* m_focus = nullptr;
};

// The skin engine. The skin file is an SVG document: the group whose id is the
// form name is the form, and every element with an id inside it (not nested in
// another element with an id, and not inside <defs>) is a skin object of that
// name. "pb" is the position slider. The document is stretched over the window.
//
// Optional state layers live in <defs> (so plain SVG viewers show the resting
// look): "<name>-hover" and "<name>-down" replace the built-in hover and pressed
// overlays of object <name>; "pb-fill" and "pb-thumb" replace the slider's
// built-in fill and thumb.
//
// A skin file that cannot be read leaves the window plainly drawn, with no objects.
class SvgSkin : public Skin, public SkinForm {
    Q_OBJECT
public:
    explicit SvgSkin(QObject* parent = nullptr);
    ~SvgSkin() override;

    void loadSkin(const QString& path) override;
    void applySkin(QWidget* window) override;
    void applySkinForm(QWidget* window, const QString& formName) override;
    SkinForm* getSkinnedForm(QWidget* window) override;
    SkinObject* getSkinObject(const QString& name) override;

    bool isLoaded() const;
    QWidget* surface() const;
    const std::vector<std::unique_ptr<SvgSkinObject>>& objects() const { return m_objects; }

    // Maps a rectangle of the skin document onto the window as it is sized now.
    QRectF toWindow(const QRectF& inDocument) const;

private:
    friend class SkinSurface;
    void buildObjects();
    // Draws the layer `id` of the skin's <defs> over `target`, or where the layer sits
    // in the document when `target` is null; false when the skin has no such layer.
    bool renderLayer(QPainter& painter, const QString& id, const QRectF& target = QRectF());
    QRectF documentBoundsOf(const QString& id) const;

    QByteArray m_document;
    std::unique_ptr<QSvgRenderer> m_renderer;
    QString m_formName;
    QPointer<SkinSurface> m_surface;
    std::vector<std::unique_ptr<SvgSkinObject>> m_objects;
};
