#include "app/orvelleapplication.h"
#include "support/testenvironment.h"

#include <gtest/gtest.h>
#include <QTimer>
#include <stdexcept>

namespace {

// Throws from its event handler, as a failing component call would.
class Failing : public QObject {
public:
    int events = 0;
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) {
            ++events;
            throw std::runtime_error("component failed");
        }
        return QObject::event(event);
    }
};

TEST(Application, AnErrorEscapingAHandlerReachesTheOneHandler) {
    auto* app = static_cast<OrvelleApplication*>(QCoreApplication::instance());
    int asked = 0;
    app->setExceptionHandler([&] { ++asked; });
    Failing failing;
    QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    EXPECT_EQ(failing.events, 2);
    EXPECT_EQ(asked, 2) << "each error is answered, and the program goes on to the next event";
}

TEST(Application, AnErrorWhileTheQuestionIsOpenAsksNoSecondTime) {
    auto* app = static_cast<OrvelleApplication*>(QCoreApplication::instance());
    Failing failing;
    int asked = 0;
    app->setExceptionHandler([&] {
        ++asked;
        // The question's own event loop meets another failure.
        QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));
        QCoreApplication::processEvents();
    });
    QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    EXPECT_EQ(failing.events, 2);
    EXPECT_EQ(asked, 1);
}

} // namespace

int main(int argc, char** argv) {
    setUpTestEnvironment();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    OrvelleApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
