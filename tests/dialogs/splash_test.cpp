#include "dialogs/splash.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

namespace {

QByteArray encodeJpeg(const QImage& image) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, "JPEG", 95));
    return data;
}

QByteArray programPicture() {
    QFile file(QStringLiteral(":/orvelle/splash.jpg"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

bool near(QRgb a, QColor b) {
    return std::abs(qRed(a) - b.red()) <= 6 && std::abs(qGreen(a) - b.green()) <= 6 &&
           std::abs(qBlue(a) - b.blue()) <= 6;
}

TEST(SplashTest, ShowsTheProgramsOwnColourPictureFillingTheWindow) {
    Splash splash;
    const QImage& picture = splash.picture();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(Splash::Width, Splash::Height));
    EXPECT_FALSE(picture.allGray());
    EXPECT_EQ(splash.size(), QSize(282, 92));
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);

    const QImage shown = splash.grab().toImage();
    for (QPoint at : {QPoint(0, 0), QPoint(140, 46), QPoint(281, 91)})
        EXPECT_EQ(QColor(shown.pixel(at)), QColor(picture.pixel(at))) << at.x() << "," << at.y();
}

TEST(SplashTest, DecodesColourAndGreyJpegs) {
    QImage colour(Splash::Width, Splash::Height, QImage::Format_RGB32);
    colour.fill(QColor(0xc0, 0x30, 0x20));
    for (int y = 0; y < colour.height(); ++y)
        for (int x = 144; x < colour.width(); ++x)
            colour.setPixel(x, y, qRgb(0x20, 0x60, 0xd0));
    const QImage decoded = Splash(encodeJpeg(colour)).picture();
    ASSERT_EQ(decoded.size(), colour.size());
    EXPECT_TRUE(near(decoded.pixel(40, 40), QColor(0xc0, 0x30, 0x20)));
    EXPECT_TRUE(near(decoded.pixel(240, 40), QColor(0x20, 0x60, 0xd0)));

    QImage grey(64, 32, QImage::Format_Grayscale8);
    grey.fill(QColor(0x80, 0x80, 0x80));
    const QImage fromGrey = Splash(encodeJpeg(grey)).picture();
    ASSERT_EQ(fromGrey.size(), grey.size());
    EXPECT_TRUE(near(fromGrey.pixel(10, 10), QColor(0x80, 0x80, 0x80)));
}

TEST(SplashTest, PictureThatDoesNotDecodeGivesAPlainPanelWithTheName) {
    const QByteArray real = programPicture();
    ASSERT_GT(real.size(), 1000);
    const QByteArray damaged[] = {QByteArray(), QByteArray("not a picture at all"),
                                  real.left(real.size() / 2), real.left(200),
                                  QByteArray(4000, '\xff')};
    for (const QByteArray& data : damaged) {
        Splash splash(data);
        EXPECT_TRUE(splash.picture().isNull()) << data.size();
        const QImage shown = splash.grab().toImage();
        EXPECT_EQ(QColor(shown.pixel(20, 46)), QColor(0x13, 0x2d, 0x4b));
        // The product name is lettered in the middle.
        int bright = 0;
        for (int x = 90; x < 190; ++x)
            bright += qGray(shown.pixel(x, 46)) > 200;
        EXPECT_GT(bright, 5) << data.size();
    }
}

TEST(SplashTest, IsCentredOnTheScreen) {
    Splash splash;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((splash.geometry().center() - screen.center()).manhattanLength(), 2);
}

TEST(SplashTest, ClosesAndDeletesItselfOnItsFirstTickWithoutEndingTheProgram) {
    QSignalSpy lastWindowClosed(qApp, &QGuiApplication::lastWindowClosed);
    int startedMs = -1;
    std::function<void()> tick;
    QPointer<Splash> splash =
        new Splash(programPicture(), [&](int ms, QObject*, std::function<void()> started) {
            startedMs = ms;
            tick = std::move(started);
        });
    EXPECT_FALSE(tick) << "the second counts from the showing";
    splash->showNow();
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(startedMs, Splash::TickMs);
    ASSERT_TRUE(tick);
    tick();
    EXPECT_TRUE(QTest::qWaitFor([&] { return splash.isNull(); }));
    EXPECT_EQ(lastWindowClosed.count(), 0);
}

} // namespace
