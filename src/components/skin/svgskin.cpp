#include "components/skin/svgskin.h"

#include "components/skin/skinobjectfocus.h"
#include "components/skin/skinsurface.h"

#include <algorithm>
#include <cmath>
#include <QAccessible>
#include <QFile>
#include <QSvgRenderer>
#include <QXmlStreamReader>

namespace {

// Elements that SVG never draws by themselves; ids inside them are not skin objects.
bool isUndrawnContainer(QStringView tag) {
    static const QStringList tags = {QStringLiteral("defs"),
                                     QStringLiteral("symbol"),
                                     QStringLiteral("clipPath"),
                                     QStringLiteral("mask"),
                                     QStringLiteral("pattern"),
                                     QStringLiteral("marker"),
                                     QStringLiteral("filter"),
                                     QStringLiteral("linearGradient"),
                                     QStringLiteral("radialGradient"),
                                     QStringLiteral("style"),
                                     QStringLiteral("metadata"),
                                     QStringLiteral("title"),
                                     QStringLiteral("desc")};
    return tags.contains(tag);
}

// The ids of the objects of form `formName`, in document order.
QStringList objectNames(const QByteArray& document, const QString& formName) {
    QStringList names;
    QXmlStreamReader xml(document);
    int depth = 0;
    int formDepth = -1;   // depth of the form group; -1 outside it
    int objectDepth = -1; // depth of the object whose inner ids are skipped
    int undrawnDepth = -1;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (undrawnDepth >= 0)
                continue;
            if (isUndrawnContainer(xml.name())) {
                undrawnDepth = depth;
                continue;
            }
            const QString id = xml.attributes().value(QLatin1String("id")).toString();
            if (formDepth < 0) {
                if (id == formName)
                    formDepth = depth;
            } else if (objectDepth < 0 && !id.isEmpty()) {
                objectDepth = depth;
                if (!names.contains(id))
                    names << id;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth == undrawnDepth)
                undrawnDepth = -1;
            if (depth == objectDepth)
                objectDepth = -1;
            if (depth == formDepth)
                formDepth = -1;
            --depth;
        }
    }
    return names;
}

} // namespace

void SvgSkinObject::setValue(int value) {
    value = std::clamp(value, 0, SliderMax);
    if (value == m_value)
        return;
    m_value = value;
    if (m_focus) {
        QAccessibleValueChangeEvent changed(m_focus, m_value);
        QAccessible::updateAccessibility(&changed);
    }
}

QWidget* SvgSkinObject::focusTarget() const {
    return m_focus;
}

void SvgSkinObject::redraw() {
    if (QWidget* surface = m_skin->surface())
        surface->update(bounds().toAlignedRect().adjusted(-2, -2, 2, 2));
}

QRectF SvgSkinObject::bounds() const {
    return m_skin->toWindow(m_documentBounds);
}

int SvgSkinObject::valueAt(qreal x) const {
    const QRectF track = bounds();
    const qreal thumb = thumbRect().width();
    const qreal span = track.width() - thumb;
    if (span <= 0)
        return 0;
    const qreal fraction = (x - track.left() - thumb / 2) / span;
    return std::clamp(static_cast<int>(std::lround(fraction * SliderMax)), 0, SliderMax);
}

QRectF SvgSkinObject::thumbRect() const {
    const QRectF track = bounds();
    const qreal width = std::min(track.height() * 0.8, track.width());
    const qreal left = track.left() + (track.width() - width) * m_value / SliderMax;
    return QRectF(left, track.top(), width, track.height());
}

SvgSkin::SvgSkin(QObject* parent) : Skin(parent), m_renderer(std::make_unique<QSvgRenderer>()) {}

SvgSkin::~SvgSkin() {
    if (m_surface) {
        m_surface->forgetObjects();
        delete m_surface.data();
    }
}

bool SvgSkin::isLoaded() const {
    return m_renderer->isValid();
}

void SvgSkin::loadSkin(const QString& path) {
    if (m_surface)
        m_surface->forgetObjects();
    m_objects.clear();
    m_document.clear();
    m_renderer = std::make_unique<QSvgRenderer>();
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        m_document = file.readAll();
    if (m_document.isEmpty() || !m_renderer->load(m_document)) {
        // An unreadable skin leaves the window plain rather than half-drawn.
        m_document.clear();
        m_renderer = std::make_unique<QSvgRenderer>();
    }
    if (m_surface && !m_formName.isEmpty())
        buildObjects();
    if (m_surface)
        m_surface->update();
}

void SvgSkin::applySkin(QWidget* window) {
    if (!window)
        return;
    if (m_surface && m_surface->parentWidget() != window) {
        m_surface->forgetObjects();
        delete m_surface.data();
        m_formName.clear();
        m_objects.clear();
    }
    if (!m_surface) {
        m_surface = new SkinSurface(this, window);
        m_surface->setGeometry(window->rect());
        m_surface->lower();
        m_surface->show();
    }
}

void SvgSkin::applySkinForm(QWidget* window, const QString& formName) {
    applySkin(window);
    if (!m_surface)
        return;
    m_surface->forgetObjects();
    m_formName = formName;
    buildObjects();
    m_surface->update();
}

SkinForm* SvgSkin::getSkinnedForm(QWidget* window) {
    if (!window || !m_surface || m_surface->parentWidget() != window || m_formName.isEmpty())
        return nullptr;
    return this;
}

SkinObject* SvgSkin::getSkinObject(const QString& name) {
    for (const auto& object : m_objects)
        if (object->getName() == name)
            return object.get();
    return nullptr;
}

QWidget* SvgSkin::surface() const {
    return m_surface.data();
}

QRectF SvgSkin::toWindow(const QRectF& inDocument) const {
    const QRectF view = m_renderer->viewBoxF();
    if (!m_surface || view.width() <= 0 || view.height() <= 0)
        return inDocument;
    const qreal sx = m_surface->width() / view.width();
    const qreal sy = m_surface->height() / view.height();
    return QRectF((inDocument.left() - view.left()) * sx, (inDocument.top() - view.top()) * sy,
                  inDocument.width() * sx, inDocument.height() * sy);
}

QRectF SvgSkin::documentBoundsOf(const QString& id) const {
    return m_renderer->transformForElement(id).mapRect(m_renderer->boundsOnElement(id));
}

bool SvgSkin::renderLayer(QPainter& painter, const QString& id, const QRectF& target) {
    if (!m_renderer->isValid() || !m_renderer->elementExists(id))
        return false;
    m_renderer->render(&painter, id, target.isNull() ? toWindow(documentBoundsOf(id)) : target);
    return true;
}

void SvgSkin::buildObjects() {
    if (m_surface)
        m_surface->forgetObjects();
    m_objects.clear();
    if (!m_renderer->isValid() || !m_surface)
        return;
    for (const QString& name : objectNames(m_document, m_formName)) {
        // Elements Qt cannot draw have no place on the window.
        if (!m_renderer->elementExists(name))
            continue;
        m_objects.push_back(std::make_unique<SvgSkinObject>(name, documentBoundsOf(name),
                                                            name == QLatin1String("pb"), this));
    }
    m_surface->makeFocusStops();
}
