#include "components/skin/svgskin.h"
#include "support/testenvironment.h"

#include <gtest/gtest.h>
#include <map>
#include <QWidget>

namespace {

// The program finds its commands by these names, and lays its own controls
// out around these places; the skin must keep both.
const std::map<QString, QRectF> Contract = {
    {"file", {190, 5, 56, 22}},      {"help", {412, 5, 56, 22}},   {"start", {10, 36, 56, 48}},
    {"stop", {70, 36, 56, 48}},      {"set", {130, 36, 56, 48}},   {"addfile", {200, 36, 56, 48}},
    {"remove", {260, 36, 56, 48}},   {"clear", {320, 36, 56, 48}}, {"refresh", {390, 36, 56, 48}},
    {"freedb", {450, 36, 56, 48}},   {"break", {14, 412, 32, 28}}, {"play", {50, 412, 32, 28}},
    {"playstop", {86, 412, 32, 28}}, {"next", {122, 412, 32, 28}}, {"hou", {168, 412, 32, 28}},
    {"qian", {204, 412, 32, 28}},    {"pb", {250, 416, 390, 20}},
};

bool closeTo(const QRectF& a, const QRectF& b) {
    const qreal slack = 3;
    return std::abs(a.left() - b.left()) <= slack && std::abs(a.top() - b.top()) <= slack &&
           std::abs(a.right() - b.right()) <= slack && std::abs(a.bottom() - b.bottom()) <= slack;
}

TEST(OrvelleSkinTest, HasEveryCommandObjectInItsPlaceAndNothingElse) {
    QWidget window;
    window.resize(658, 452);
    SvgSkin skin;
    skin.loadSkin(testSourceDir() + QStringLiteral("/skin/orvelle-skin.svg"));
    skin.applySkinForm(&window, QStringLiteral("Orvelle"));
    ASSERT_TRUE(skin.isLoaded());

    std::map<QString, QRectF> found;
    for (const auto& object : skin.objects())
        found[object->getName()] = object->bounds();
    for (const auto& [name, where] : Contract) {
        ASSERT_TRUE(found.count(name)) << name.toStdString();
        const QRectF at = found[name];
        EXPECT_TRUE(closeTo(at, where)) << name.toStdString() << " at " << at.x() << "," << at.y()
                                        << " " << at.width() << "x" << at.height();
    }
    EXPECT_EQ(found.size(), Contract.size());
    ASSERT_NE(skin.getSkinObject(QStringLiteral("pb")), nullptr);
    EXPECT_NE(skin.getSkinObject(QStringLiteral("pb"))->queryPositionSlider(), nullptr);
}

} // namespace
