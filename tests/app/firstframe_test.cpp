#include "app/firstframe.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QWidget>
#include <QWindow>

namespace {

class Counted : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

TEST(FirstFrame, WorkRunsOnceAfterTheWindowHasDrawnItself) {
    Counted window;
    window.resize(120, 80);
    window.show();
    int runs = 0;
    int paintsBefore = -1;
    FirstFrame::whenDrawn(&window, [&] {
        ++runs;
        paintsBefore = window.paints;
        EXPECT_TRUE(window.windowHandle()->isExposed());
    });
    EXPECT_EQ(runs, 0) << "not while the window is being shown";
    QCoreApplication::processEvents();
    ASSERT_EQ(runs, 1) << "with the expose, not a fallback later";
    EXPECT_GT(paintsBefore, 0);
    window.hide();
    window.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 1) << "a second showing is no first frame";
}

} // namespace
