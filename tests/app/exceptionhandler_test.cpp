#include "app/exceptionhandler.h"
#include "app/orvelleapplication.h"
#include "app/windowfixture.h"

#include <QComboBox>
#include <QMouseEvent>

namespace {

class ErrorHandling : public WindowFixture {
protected:
    std::unique_ptr<ExceptionHandler> handler;

    void startWithHandler() {
        audioCd({});
        start();
        handler =
            std::make_unique<ExceptionHandler>(*window, prompt, shell, "/opt/orvelle/orvelle");
    }
};

TEST_F(ErrorHandling, NoClosesTheWindowAfterSavingTheChoices) {
    startWithHandler();
    window->controller().setOutputPath("/tmp/kept");
    prompt.questionAnswer = false;
    handler->applicationEvents1Exception();
    EXPECT_EQ(prompt.questions,
              QStringList{"A system error occurs,click Yes to execute again,click No to exit!"});
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(handler->restartRequested());
    EXPECT_EQ(IniFile(settingsPath).readString("Main", "Path", ""), "/tmp/kept");
}

TEST_F(ErrorHandling, YesClosesTheWindowAndStartsTheProgramAgain) {
    startWithHandler();
    prompt.questionAnswer = true;
    handler->applicationEvents1Exception();
    EXPECT_FALSE(window->isVisible());
    ASSERT_TRUE(handler->restartRequested());
    handler->restart();
    ASSERT_EQ(shell.started.size(), 1u);
    EXPECT_EQ(shell.started[0].first, "/opt/orvelle/orvelle");
    EXPECT_FALSE(qEnvironmentVariableIsSet(OrvelleApplication::RestartVariable));
}

TEST_F(ErrorHandling, AFrameClickClosesTheFormatEditorButAClientClickDoesNot) {
    startWithHandler();
    qApp->installEventFilter(handler.get());
    auto* editor = window->findChild<QComboBox*>("cb_or");
    editor->show();
    QMouseEvent client(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                       Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &client);
    EXPECT_TRUE(editor->isVisible());
    QMouseEvent frame(QEvent::NonClientAreaMouseButtonPress, QPointF(5, -10), QPointF(5, -10),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &frame);
    EXPECT_FALSE(editor->isVisible());
    qApp->removeEventFilter(handler.get());
}

} // namespace
