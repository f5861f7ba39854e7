#include "dialogs/splash.h"

#include <csetjmp>
#include <cstdio>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <jpeglib.h>
// jerror.h after jpeglib.h: it needs its types.
#include <jerror.h>

namespace {

const char* const PicturePath = ":/orvelle/splash.jpg";
// Far above what a splash needs; keeps a broken file from asking for gigabytes.
constexpr JDIMENSION MaxSide = 4096;

struct JpegErrors {
    jpeg_error_mgr manager; // first, so libjpeg's pointer to it is a pointer to us
    std::jmp_buf failed;
};

// libjpeg's own handler ends the process; we give up on the picture instead.
[[noreturn]] void failDecoding(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->failed, 1);
}

// Data that ends early is only a warning to libjpeg, which pads the picture
// with grey; for us the picture is damaged. Other messages are not shown.
void onJpegMessage(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
        failDecoding(info);
}

// Kept out of the decoding function's frame, whose locals a longjmp may spoil.
struct JpegDecoder {
    jpeg_decompress_struct info;
    JpegErrors errors;
};

// Decodes `data` into `image` as 24-bit RGB. No object with a destructor may
// live in this frame across libjpeg calls: a failure jumps straight back here.
bool decodeInto(JpegDecoder& decoder, const QByteArray& data, QImage& image) {
    jpeg_decompress_struct& info = decoder.info;
    info.err = jpeg_std_error(&decoder.errors.manager);
    decoder.errors.manager.error_exit = failDecoding;
    decoder.errors.manager.emit_message = onJpegMessage;
    if (setjmp(decoder.errors.failed)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_width > MaxSide || info.output_height > MaxSide ||
        info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                   QImage::Format_RGB888);
    if (image.isNull()) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

QImage decodeJpeg(const QByteArray& data) {
    if (data.isEmpty())
        return {};
    JpegDecoder decoder;
    QImage image;
    if (!decodeInto(decoder, data, image))
        return {};
    return image;
}

QByteArray programPicture() {
    QFile file(QString::fromLatin1(PicturePath));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

Splash::Splash(QWidget* parent) : Splash(programPicture(), {}, parent) {}

Splash::Splash(const QByteArray& jpeg, Clock clock, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_picture(decodeJpeg(jpeg)), m_clock(std::move(clock)) {
    setObjectName(QStringLiteral("fm_scan"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The main window, not the splash, decides when the program ends.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(Width, Height);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    if (!m_clock)
        m_clock = [](int ms, QObject* context, std::function<void()> tick) {
            QTimer::singleShot(ms, context, std::move(tick));
        };
}

void Splash::showNow() {
    show();
    // Qt draws a splash shown before the loop runs only if the window system has
    // mapped it by then; a window manager may take a moment. Nothing else exists
    // yet that the events let through here could reach.
    if (const QWindow* window = windowHandle(); window && !window->isExposed()) {
        QEventLoop untilDrawn;
        m_untilDrawn = &untilDrawn;
        QTimer::singleShot(ExposeWaitMs, &untilDrawn, &QEventLoop::quit);
        untilDrawn.exec(QEventLoop::ExcludeUserInputEvents);
        m_untilDrawn = nullptr;
    }
    repaint();
}

void Splash::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // One tick only, counted from the first showing.
    if (!m_ticking) {
        m_ticking = true;
        m_clock(TickMs, this, [this] { tick(); });
    }
}

void Splash::tick() {
    QCoreApplication::processEvents();
    close();
}

void Splash::paintEvent(QPaintEvent*) {
    if (m_untilDrawn)
        m_untilDrawn->quit();
    QPainter painter(this);
    if (!m_picture.isNull()) {
        painter.drawImage(QPoint(0, 0), m_picture);
        return;
    }
    // Without its picture the splash still says what is starting.
    painter.fillRect(rect(), QColor(0x13, 0x2d, 0x4b));
    painter.setPen(QColor(0x3d, 0x9b, 0xff));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    QFont font = painter.font();
    font.setPixelSize(28);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0xf3, 0xf7, 0xfc));
    painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("Orvelle"));
}
