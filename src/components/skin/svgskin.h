#pragma once

#include "components/iskin.h"

#include <memory>
#include <QHash>
#include <QPointer>
#include <QRectF>
#include <QSvgRenderer>
#include <vector>

class SkinSurface;

// One named object of a skin form: its name and where it sits on the window.
class SvgSkinObject : public ISkinObject, public IPositionSlider, public IPositionSliderView {
public:
    static constexpr int SliderMax = 930;

    SvgSkinObject(QString name, QRectF bounds, bool isSlider, SkinSurface* surface)
        : m_name(std::move(name)), m_bounds(bounds), m_isSlider(isSlider), m_surface(surface) {}

    QString GetName() const override { return m_name; }
    IPositionSlider* QueryPositionSlider() override { return m_isSlider ? this : nullptr; }
    IPositionSliderView* QueryPositionSliderView() override { return m_isSlider ? this : nullptr; }

    int GetValue() const override { return m_value; }
    void SetValue(int value) override;
    void Redraw() override;

    const QRectF& bounds() const { return m_bounds; }
    bool isSlider() const { return m_isSlider; }
    // The slider value at a window x position.
    int valueAt(qreal x) const;
    // Where the slider's thumb is drawn.
    QRectF thumbRect() const;

private:
    QString m_name;
    QRectF m_bounds;
    bool m_isSlider;
    SkinSurface* m_surface;
    int m_value = 0;
};

// The skin engine. The skin file is an SVG document: the group whose id is the
// form name is the form, and every element with an id inside it (not nested in
// another element with an id) is a skin object of that name. "pb" is the
// position slider. A skin file that cannot be read leaves the window unskinned
// (plain background, no objects).
class SvgSkin : public ISkin, public ISkinForm {
    Q_OBJECT
public:
    explicit SvgSkin(QObject* parent = nullptr);
    ~SvgSkin() override;

    void LoadSkin(const QString& path) override;
    void ApplySkin(QWidget* window) override;
    void ApplySkinForm(QWidget* window, const QString& formName) override;
    ISkinForm* GetSkinnedForm(QWidget* window) override;
    ISkinObject* GetSkinObject(const QString& name) override;

    bool isLoaded() const { return m_renderer.isValid(); }
    QWidget* surface() const;
    const std::vector<std::unique_ptr<SvgSkinObject>>& objects() const { return m_objects; }

private:
    friend class SkinSurface;
    void buildObjects();

    QByteArray m_document;
    QSvgRenderer m_renderer;
    QString m_formName;
    QRectF m_formBounds;
    QPointer<SkinSurface> m_surface;
    std::vector<std::unique_ptr<SvgSkinObject>> m_objects;
};
