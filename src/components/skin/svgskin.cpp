#include "components/skin/svgskin.h"

#include "components/skin/skinsurface.h"

#include <algorithm>
#include <QFile>
#include <QXmlStreamReader>

void SvgSkinObject::SetValue(int value) {
    m_value = std::clamp(value, 0, SliderMax);
}

void SvgSkinObject::Redraw() {
    if (m_surface)
        m_surface->update(thumbRect().toAlignedRect().adjusted(-400, -2, 400, 2));
}

int SvgSkinObject::valueAt(qreal x) const {
    const qreal thumb = thumbRect().width();
    const qreal span = m_bounds.width() - thumb;
    if (span <= 0)
        return 0;
    const qreal fraction = (x - m_bounds.left() - thumb / 2) / span;
    return std::clamp(static_cast<int>(fraction * SliderMax + 0.5), 0, SliderMax);
}

QRectF SvgSkinObject::thumbRect() const {
    const qreal width = std::min<qreal>(12.0, m_bounds.width());
    const qreal left = m_bounds.left() + (m_bounds.width() - width) * m_value / SliderMax;
    return QRectF(left, m_bounds.top(), width, m_bounds.height());
}

SvgSkin::SvgSkin(QObject* parent) : ISkin(parent) {}

SvgSkin::~SvgSkin() {
    if (m_surface)
        delete m_surface.data();
}

void SvgSkin::LoadSkin(const QString& path) {
    m_objects.clear();
    m_document.clear();
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        m_document = file.readAll();
    if (!m_renderer.load(m_document))
        m_document.clear();
}

void SvgSkin::ApplySkin(QWidget* window) {
    if (!m_surface) {
        m_surface = new SkinSurface(this, window);
        m_surface->setGeometry(window->rect());
        m_surface->lower();
        m_surface->show();
    }
}

void SvgSkin::ApplySkinForm(QWidget* window, const QString& formName) {
    ApplySkin(window);
    m_formName = formName;
    buildObjects();
    m_surface->update();
}

ISkinForm* SvgSkin::GetSkinnedForm(QWidget* window) {
    if (!m_surface || m_surface->parentWidget() != window || m_formName.isEmpty())
        return nullptr;
    return this;
}

ISkinObject* SvgSkin::GetSkinObject(const QString& name) {
    for (const auto& object : m_objects)
        if (object->GetName() == name)
            return object.get();
    return nullptr;
}

QWidget* SvgSkin::surface() const {
    return m_surface.data();
}

void SvgSkin::buildObjects() {
    m_objects.clear();
    if (!m_renderer.isValid() || !m_surface)
        return;

    // Collect the ids inside the form group that have no id-bearing ancestor below the form.
    QStringList names;
    QXmlStreamReader xml(m_document);
    int formDepth = -1;   // depth of the form group, -1 when outside it
    int objectDepth = -1; // depth of the object being skipped over
    int depth = 0;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            const QString id = xml.attributes().value(QLatin1String("id")).toString();
            if (formDepth < 0) {
                if (id == m_formName)
                    formDepth = depth;
            } else if (objectDepth < 0 && !id.isEmpty()) {
                objectDepth = depth;
                names << id;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth == objectDepth)
                objectDepth = -1;
            if (depth == formDepth)
                formDepth = -1;
            --depth;
        }
    }

    const QRectF view = m_renderer.viewBoxF();
    const qreal sx = view.width() > 0 ? m_surface->width() / view.width() : 1.0;
    const qreal sy = view.height() > 0 ? m_surface->height() / view.height() : 1.0;
    for (const QString& name : names) {
        const QRectF inDocument =
            m_renderer.transformForElement(name).mapRect(m_renderer.boundsOnElement(name));
        const QRectF onWindow((inDocument.left() - view.left()) * sx,
                              (inDocument.top() - view.top()) * sy, inDocument.width() * sx,
                              inDocument.height() * sy);
        m_objects.push_back(std::make_unique<SvgSkinObject>(
            name, onWindow, name == QLatin1String("pb"), m_surface.data()));
    }
}
