#include "components/skin/skinobjectfocus.h"
#include "components/skin/skinsurface.h"
#include "components/skin/svgskin.h"

#include <gtest/gtest.h>
#include <QAccessible>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

namespace {

// A 200 x 100 skin: "play" and "Stop" (moved by a transform) are buttons, "pb"
// the slider. Ids nested in an object, inside <defs> or outside the form are not objects.
const char* const TestSkin = R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="200" height="100"
     viewBox="0 0 200 100">
  <rect id="outside" x="0" y="0" width="5" height="5"/>
  <g id="Orvelle">
    <defs><linearGradient id="shade"><stop offset="0" stop-color="#000"/></linearGradient></defs>
    <rect x="0" y="0" width="200" height="100" fill="#102030"/>
    <g id="play">
      <rect x="10" y="10" width="40" height="30" fill="#304050"/>
      <path id="play-icon" d="M25 18 L35 25 L25 32 Z" fill="#ffffff"/>
      <defs>
        <rect id="play-hover" x="10" y="10" width="40" height="30" fill="#ff0000"/>
        <rect id="play-down" x="10" y="10" width="40" height="30" fill="#00ff00"/>
      </defs>
    </g>
    <g id="Stop" transform="translate(100,0)">
      <rect x="10" y="10" width="40" height="30" fill="#304050"/>
    </g>
    <rect id="pb" x="40" y="60" width="120" height="20" fill="#000000"/>
  </g>
</svg>)svg";

class SvgSkinTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = writeFile(QStringLiteral("skin.svg"), TestSkin);
        window.resize(200, 100);
        QObject::connect(&skin, &Skin::onClick, [this](SkinObject* source) {
            events.push_back("click " + source->getName().toStdString());
        });
        QObject::connect(&skin, &Skin::onMouseDown,
                         [this](SkinObject* source, int button, int, int) {
                             events.push_back("down " + source->getName().toStdString() + " " +
                                              std::to_string(button));
                         });
        QObject::connect(&skin, &Skin::onMouseUp, [this](SkinObject* source, int button, int, int) {
            events.push_back("up " + source->getName().toStdString() + " " +
                             std::to_string(button));
        });
    }

    QString writeFile(const QString& name, const QByteArray& content) {
        const QString file = dir.filePath(name);
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(content);
        return file;
    }

    void apply(const QString& file) {
        skin.loadSkin(file);
        skin.applySkinForm(&window, QStringLiteral("Orvelle"));
        window.show();
    }

    QWidget* surface() { return skin.surface(); }

    void mouse(QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, pos, surface()->mapToGlobal(pos), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(surface(), &event);
    }
    void press(QPointF pos, Qt::MouseButton button = Qt::LeftButton,
               Qt::MouseButtons held = Qt::NoButton) {
        mouse(QEvent::MouseButtonPress, pos, button, held | button);
    }
    void release(QPointF pos, Qt::MouseButton button = Qt::LeftButton,
                 Qt::MouseButtons held = Qt::NoButton) {
        mouse(QEvent::MouseButtonRelease, pos, button, held);
    }
    void moveHolding(QPointF pos, Qt::MouseButtons held) {
        mouse(QEvent::MouseMove, pos, Qt::NoButton, held);
    }

    IPositionSlider* slider() {
        SkinObject* pb = skin.getSkinObject(QStringLiteral("pb"));
        return pb ? pb->queryPositionSlider() : nullptr;
    }

    QColor pixel(int x, int y) { return QColor(window.grab().toImage().pixel(x, y)); }

    QTemporaryDir dir;
    QString path;
    QWidget window;
    SvgSkin skin;
    std::vector<std::string> events; // "down play 1", "up play 1", "click play"
};

TEST_F(SvgSkinTest, FindsTheFormsTopLevelObjectsWithTheirBounds) {
    apply(path);
    ASSERT_TRUE(skin.isLoaded());
    QStringList names;
    for (const auto& object : skin.objects())
        names << object->getName();
    EXPECT_EQ(names, (QStringList{"play", "Stop", "pb"}));

    EXPECT_EQ(skin.objects()[0]->bounds(), QRectF(10, 10, 40, 30));
    EXPECT_EQ(skin.objects()[1]->bounds(), QRectF(110, 10, 40, 30));
    EXPECT_EQ(skin.objects()[2]->bounds(), QRectF(40, 60, 120, 20));

    for (const char* absent : {"play-icon", "play-hover", "shade", "outside", "Orvelle", "PLAY"})
        EXPECT_EQ(skin.getSkinObject(QString::fromLatin1(absent)), nullptr) << absent;
    ASSERT_NE(skin.getSkinObject(QStringLiteral("Stop")), nullptr);
    EXPECT_EQ(skin.getSkinObject(QStringLiteral("stop")), nullptr);

    EXPECT_EQ(skin.getSkinnedForm(&window), &skin);
    QWidget other;
    EXPECT_EQ(skin.getSkinnedForm(&other), nullptr);
    EXPECT_EQ(skin.getSkinObject(QStringLiteral("play"))->queryPositionSlider(), nullptr);
    EXPECT_NE(slider(), nullptr);
    EXPECT_NE(skin.getSkinObject(QStringLiteral("pb"))->queryPositionSliderView(), nullptr);

    skin.applySkinForm(&window, QStringLiteral("orvelle")); // form names are case-sensitive too
    EXPECT_TRUE(skin.objects().empty());
}

TEST_F(SvgSkinTest, ObjectsFollowTheWindowWhenItIsNotTheSkinsSize) {
    apply(path);
    window.resize(400, 200);
    EXPECT_EQ(surface()->size(), QSize(400, 200));
    QTest::mouseClick(surface(), Qt::LeftButton, {}, QPoint(230, 30));
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), "click Stop");
    EXPECT_EQ(static_cast<SvgSkinObject*>(skin.getSkinObject(QStringLiteral("pb")))->bounds(),
              QRectF(80, 120, 240, 40));
}

TEST_F(SvgSkinTest, ClickIsALeftPressAndReleaseOnTheSameObject) {
    apply(path);
    QTest::mouseClick(surface(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(events, (std::vector<std::string>{"down play 1", "up play 1", "click play"}));

    events.clear();
    press(QPointF(20, 20));
    release(QPointF(120, 20)); // slid off onto "Stop"
    EXPECT_EQ(events, (std::vector<std::string>{"down play 1", "up play 1"}));

    events.clear();
    QTest::mouseClick(surface(), Qt::RightButton, {}, QPoint(120, 20));
    EXPECT_EQ(events, (std::vector<std::string>{"down Stop 2", "up Stop 2"}));

    events.clear();
    QTest::mouseClick(surface(), Qt::LeftButton, {}, QPoint(80, 50)); // bare background
    EXPECT_TRUE(events.empty());
}

TEST_F(SvgSkinTest, EveryPressGetsOneReleaseEvenWhenTheReleaseWasNotSeen) {
    apply(path);
    press(QPointF(20, 20));
    press(QPointF(120, 20), Qt::RightButton, Qt::LeftButton);
    release(QPointF(120, 20), Qt::RightButton, Qt::LeftButton);
    // The left button's release went elsewhere (a menu took the mouse, say).
    moveHolding(QPointF(90, 50), Qt::NoButton);
    release(QPointF(20, 20)); // a stray release later reports nothing more
    EXPECT_EQ(events,
              (std::vector<std::string>{"down play 1", "down Stop 2", "up Stop 2", "up play 1"}));
}

TEST_F(SvgSkinTest, SliderFollowsTheMouseWithinZeroTo930) {
    apply(path);
    IPositionSlider* pb = slider();
    ASSERT_NE(pb, nullptr);
    // The 16-pixel thumb travels from x 48 to x 152 (centre) over the 120-pixel track.
    press(QPointF(100, 70));
    EXPECT_EQ(pb->getValue(), 465);
    moveHolding(QPointF(48, 70), Qt::LeftButton);
    EXPECT_EQ(pb->getValue(), 0);
    moveHolding(QPointF(152, 70), Qt::LeftButton);
    EXPECT_EQ(pb->getValue(), 930);
    moveHolding(QPointF(199, 70), Qt::LeftButton);
    EXPECT_EQ(pb->getValue(), 930);
    moveHolding(QPointF(0, 90), Qt::LeftButton);
    EXPECT_EQ(pb->getValue(), 0);
    release(QPointF(74, 70));
    EXPECT_EQ(pb->getValue(), 233); // (74 - 48) / 104 * 930 = 232.5
    EXPECT_EQ(events, (std::vector<std::string>{"down pb 1", "up pb 1", "click pb"}));

    pb->setValue(-5);
    EXPECT_EQ(pb->getValue(), 0);
    pb->setValue(5000);
    EXPECT_EQ(pb->getValue(), 930);

    // Moving without holding the slider leaves it where the player put it.
    pb->setValue(100);
    moveHolding(QPointF(150, 70), Qt::NoButton);
    QTest::mouseClick(surface(), Qt::RightButton, {}, QPoint(150, 70));
    EXPECT_EQ(pb->getValue(), 100);
}

TEST_F(SvgSkinTest, HoverAndPressShowTheSkinsStateLayers) {
    apply(path);
    const QColor resting = pixel(12, 12);
    EXPECT_EQ(resting, QColor(0x30, 0x40, 0x50));
    moveHolding(QPointF(20, 20), Qt::NoButton);
    EXPECT_EQ(pixel(12, 12), QColor(Qt::red));
    press(QPointF(20, 20));
    EXPECT_EQ(pixel(12, 12), QColor(Qt::green));
    moveHolding(QPointF(90, 50), Qt::LeftButton); // dragged off: no longer looks pressed
    EXPECT_EQ(pixel(12, 12), resting);
    release(QPointF(90, 50));
    // "Stop" has no layers of its own: the built-in hover overlay lightens it.
    const QColor stopResting = pixel(112, 25);
    moveHolding(QPointF(120, 20), Qt::NoButton);
    EXPECT_GT(pixel(112, 25).lightness(), stopResting.lightness());
}

TEST_F(SvgSkinTest, MissingOrBrokenSkinLeavesAPlainWindowWithoutObjects) {
    const QString broken = writeFile(QStringLiteral("broken.svg"), "<svg><g id=\"Orvelle\"><rect");
    const QString junk = writeFile(QStringLiteral("junk.dll"), QByteArray(300, '\x7f'));
    for (const QString& file : {dir.filePath(QStringLiteral("missing.svg")), broken, junk}) {
        apply(file);
        EXPECT_FALSE(skin.isLoaded()) << file.toStdString();
        EXPECT_TRUE(skin.objects().empty());
        EXPECT_EQ(skin.getSkinObject(QStringLiteral("pb")), nullptr);
        EXPECT_EQ(pixel(20, 20), window.palette().window().color());
        QTest::mouseClick(surface(), Qt::LeftButton, {}, QPoint(20, 20));
        EXPECT_TRUE(events.empty());
    }
    // A good skin loaded afterwards works as usual.
    apply(path);
    EXPECT_EQ(skin.objects().size(), 3u);
}

TEST_F(SvgSkinTest, ReloadingTheSkinDuringAnEventDropsTheOldObjects) {
    apply(path);
    press(QPointF(20, 20));
    skin.loadSkin(path);
    release(QPointF(20, 20));
    EXPECT_EQ(events, (std::vector<std::string>{"down play 1"}));

    // A handler that reloads the skin on release gets no click from the old object.
    events.clear();
    QObject::connect(&skin, &Skin::onMouseUp, [this] { skin.loadSkin(path); });
    QTest::mouseClick(surface(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(events, (std::vector<std::string>{"down play 1", "up play 1"}));
    EXPECT_EQ(skin.objects().size(), 3u);
}

// Each object has a focus stop in document order: Space and Enter click it,
// the slider's keys move and release it; a screen reader sees a named button
// or a slider with its value, and its actions arrive as the same events.
TEST_F(SvgSkinTest, KeyboardAndScreenReaderReachEveryObject) {
    apply(path);
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const auto stops = surface()->findChildren<SkinObjectFocus*>();
    ASSERT_EQ(stops.size(), 3);
    SkinObjectFocus* play = stops[0];
    SkinObjectFocus* pb = stops[2];
    EXPECT_EQ(play->geometry(), QRect(10, 10, 40, 30));
    EXPECT_EQ(stops[1]->caption(), "Stop"); // not one of the program's: its name
    EXPECT_EQ(skin.getSkinObject(QStringLiteral("play"))->focusTarget(), play);

    pb->setFocus(Qt::TabFocusReason);
    const QColor edge = pixel(10, 25);
    play->setFocus(Qt::TabFocusReason);
    EXPECT_NE(pixel(10, 25), edge) << "the focus is drawn";
    const std::vector<std::string> click{"down play 1", "up play 1", "click play"};
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_A}) {
        events.clear();
        QTest::keyClick(play, key);
        EXPECT_EQ(events, key == Qt::Key_A ? std::vector<std::string>{} : click);
    }
    events.clear();
    const struct {
        Qt::Key key;
        int value;
    } slides[] = {{Qt::Key_End, 930}, {Qt::Key_Left, 912}, {Qt::Key_PageDown, 819},
                  {Qt::Key_Home, 0},  {Qt::Key_Down, 0},   {Qt::Key_Up, 18}};
    for (const auto& slide : slides) {
        QTest::keyClick(pb, slide.key);
        EXPECT_EQ(slider()->getValue(), slide.value) << slide.key;
    }
    EXPECT_EQ(events.size(), 12u);
    EXPECT_EQ(events.back(), "up pb 1");

    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(play);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->role(), QAccessible::Button);
    EXPECT_EQ(button->text(QAccessible::Name), "Play");
    moveHolding(QPointF(20, 20), Qt::NoButton);
    EXPECT_TRUE(button->state().hotTracked);
    EXPECT_TRUE(button->state().focused);
    events.clear();
    ASSERT_TRUE(button->actionInterface()->actionNames().contains(
        QAccessibleActionInterface::pressAction()));
    button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(events.empty()) << "queued, so a window it opens does not hold up the reader";
    QTest::qWait(0);
    EXPECT_EQ(events, click);

    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(pb);
    EXPECT_EQ(bar->role(), QAccessible::Slider);
    EXPECT_EQ(bar->text(QAccessible::Name), "Position");
    ASSERT_NE(bar->valueInterface(), nullptr);
    EXPECT_EQ(bar->valueInterface()->maximumValue().toInt(), 930);
    bar->valueInterface()->setCurrentValue(465);
    QTest::qWait(0);
    EXPECT_EQ(bar->valueInterface()->currentValue().toInt(), 465);

    // A new skin brings new stops; a press still queued on an old one does nothing.
    events.clear();
    button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    skin.loadSkin(path);
    QTest::qWait(0);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(surface()->findChildren<SkinObjectFocus*>().size(), 3);
}

} // namespace
