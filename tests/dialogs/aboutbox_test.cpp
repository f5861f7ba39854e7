#include "dialogs/aboutbox.h"

#include "support/fakeprompt.h"

#include <gtest/gtest.h>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

class AboutBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        owner.setGeometry(120, 80, 658, 452);
        owner.show();
    }

    QPushButton* button(const char* name) {
        return about.findChild<QPushButton*>(QLatin1String(name));
    }
    QLabel* label(const char* name) { return about.findChild<QLabel*>(QLatin1String(name)); }

    FakeShell shell;
    QWidget owner;
    AboutBox about{shell, &owner};
};

TEST_F(AboutBoxTest, ShowsProductVersionAndFormatsAboveTheRuleAndButtons) {
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(about.windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_EQ(about.size(), QSize(291, 221));

    QLabel* icon = label("img_icon");
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->size(), QSize(32, 32));
    EXPECT_LT(icon->x(), 30);
    EXPECT_LT(icon->y(), 30);
    EXPECT_FALSE(icon->pixmap().toImage().allGray()); // the picture really loaded

    ASSERT_NE(label("lbl_product"), nullptr);
    EXPECT_EQ(label("lbl_product")->text(), QStringLiteral("Orvelle"));
    EXPECT_EQ(label("lbl_version")->text(), QStringLiteral("Version : 2.00"));
    const QString formats = label("lbl_formats")->text();
    for (const char* format : {"MP3", "WAV", "WMA", "RM", "OGG", "FLAC", "OPUS"})
        EXPECT_TRUE(formats.contains(QLatin1String(format))) << format;
    // One line that fits the box.
    QLabel* formatsLabel = label("lbl_formats");
    EXPECT_FALSE(formatsLabel->wordWrap());
    EXPECT_LE(formatsLabel->x() + formatsLabel->fontMetrics().horizontalAdvance(formats),
              about.width());

    QPushButton* contact = button("btn_contact");
    QPushButton* close = button("btn_close");
    ASSERT_NE(contact, nullptr);
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(contact->text(), QStringLiteral("Contact us "));
    EXPECT_EQ(close->text(), QStringLiteral("Close"));
    auto* rule = about.findChild<QFrame*>(QStringLiteral("rule"));
    ASSERT_NE(rule, nullptr);
    EXPECT_EQ(rule->frameShape(), QFrame::HLine);
    EXPECT_LT(rule->geometry().bottom(), std::min(contact->y(), close->y()));
    EXPECT_GT(rule->y(), label("lbl_formats")->geometry().bottom());
}

TEST_F(AboutBoxTest, IsCentredOnItsOwnerEveryTimeItShows) {
    about.show();
    EXPECT_LE((about.frameGeometry().center() - owner.frameGeometry().center()).manhattanLength(),
              2);
    about.hide();
    owner.move(300, 200);
    about.show();
    EXPECT_LE((about.frameGeometry().center() - owner.frameGeometry().center()).manhattanLength(),
              2);
}

TEST_F(AboutBoxTest, ContactUsOpensAMailToSupportAndKeepsTheBoxOpen) {
    about.show();
    QTest::mouseClick(button("btn_contact"), Qt::LeftButton);
    ASSERT_EQ(shell.urls.size(), 1u);
    EXPECT_EQ(shell.urls[0], QUrl(QStringLiteral("mailto:support@orvelle.example")));
    EXPECT_TRUE(about.isVisible());
}

TEST_F(AboutBoxTest, CloseButtonAndCloseBoxBothHideTheBoxAndKeepIt) {
    QPointer<AboutBox> alive(&about);
    QSignalSpy finished(&about, &QDialog::finished);

    about.show();
    QTest::mouseClick(button("btn_close"), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    const int byButton = about.result();

    about.show();
    about.close(); // what the window manager's close box does
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), byButton);

    ASSERT_EQ(finished.count(), 2);
    EXPECT_EQ(finished[0], finished[1]);
    QTest::qWait(0);
    EXPECT_FALSE(alive.isNull());
    EXPECT_TRUE(shell.urls.empty());
}

} // namespace
