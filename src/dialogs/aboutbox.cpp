#include "dialogs/aboutbox.h"

#include "platform/shell.h"
#include "platform/version.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSvgRenderer>
#include <QUrl>

namespace {

constexpr int BandHeight = 64;
constexpr int Margin = 14;

QPixmap programIcon(qreal ratio) {
    QPixmap pixmap(QSize(32, 32) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/orvelle/orvelle-icon.svg"));
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter, QRectF(0, 0, 32, 32));
    }
    return pixmap;
}

QLabel* addLine(QWidget* parent, const char* name, const QString& text, QRect where) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(where);
    return label;
}

} // namespace

const char* const AboutBox::SupportAddress = "support@orvelle.example";

AboutBox::AboutBox(Shell& shell, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_shell(shell) {
    setObjectName(QStringLiteral("fm_about"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(Width, Height);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("img_icon"));
    icon->setGeometry(Margin, (BandHeight - 32) / 2, 32, 32);
    icon->setPixmap(programIcon(devicePixelRatioF()));

    // The product name sits beside the icon on the dark band, the rest below it.
    QLabel* product = addLine(this, "lbl_product", QStringLiteral("Orvelle"),
                              QRect(Margin + 44, 0, Width - Margin * 2 - 44, BandHeight));
    QFont title = product->font();
    title.setPointSizeF(title.pointSizeF() * 1.5);
    title.setBold(true);
    product->setFont(title);
    QPalette onBand = product->palette();
    onBand.setColor(QPalette::WindowText, QColor(0xf3, 0xf7, 0xfc));
    product->setPalette(onBand);

    addLine(this, "lbl_version", QStringLiteral("Version : ") + orvelleVersion(),
            QRect(Margin, BandHeight + 18, Width - Margin * 2, 22));
    // Every format Orvelle writes; only the list itself fits the box's one line.
    QLabel* formats =
        addLine(this, "lbl_formats", QStringLiteral("MP3, WAV, WMA, RM, OGG, FLAC, OPUS"),
                QRect(Margin, BandHeight + 44, Width - Margin * 2, 22));
    formats->setToolTip(tr("Output formats"));

    auto* rule = new QFrame(this);
    rule->setObjectName(QStringLiteral("rule"));
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    rule->setGeometry(Margin, Height - 52, Width - Margin * 2, 2);

    auto* contact = new QPushButton(QStringLiteral("Contact us "), this);
    contact->setObjectName(QStringLiteral("btn_contact"));
    contact->setAutoDefault(false);
    contact->setGeometry(Width - Margin - 84 - 8 - 100, Height - 40, 100, 28);
    connect(contact, &QPushButton::clicked, this, &AboutBox::contactSupport);

    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("btn_close"));
    close->setDefault(true);
    close->setGeometry(Width - Margin - 84, Height - 40, 84, 28);
    // The same as the close box: the box is hidden and kept for the next time.
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void AboutBox::contactSupport() {
    m_shell.openUrl(QUrl(QStringLiteral("mailto:") + QLatin1String(SupportAddress)));
}

void AboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Centred on the owner each time, since the owner may have moved meanwhile.
    QRect area;
    if (const QWidget* owner = parentWidget())
        area = owner->window()->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid()) {
        // move() places the frame, so centre the frame.
        const QRect frame = frameGeometry();
        move(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
    }
}

void AboutBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient band(0, 0, width(), BandHeight);
    band.setColorAt(0, QColor(0x0b, 0x17, 0x26));
    band.setColorAt(1, QColor(0x1a, 0x3d, 0x66));
    painter.fillRect(QRect(0, 0, width(), BandHeight), band);
    painter.fillRect(QRect(0, BandHeight, width(), 2), QColor(0x3d, 0x9b, 0xff));
}
