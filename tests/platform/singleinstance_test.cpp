#include "platform/singleinstance.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

TEST(SingleInstance, ASecondInstanceIsRefusedWhileTheFirstRuns) {
    QTemporaryDir dir;
    const QString lock = dir.filePath(QStringLiteral("orvelle.lock"));
    SingleInstance first(lock);
    ASSERT_TRUE(first.acquire());
    SingleInstance second(lock);
    EXPECT_FALSE(second.acquire());
    first.release();
    EXPECT_TRUE(second.acquire()) << "once the first has ended, a new start goes ahead";
}

TEST(SingleInstance, ARestartWaitsForTheOldInstanceToLetGo) {
    QTemporaryDir dir;
    const QString lock = dir.filePath(QStringLiteral("orvelle.lock"));
    SingleInstance old(lock);
    ASSERT_TRUE(old.acquire());
    QThread* closer = QThread::create([&old] {
        QThread::msleep(300);
        old.release();
    });
    closer->start();
    SingleInstance restarted(lock);
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(restarted.acquire(10000));
    EXPECT_GE(timer.elapsed(), 200);
    closer->wait();
    delete closer;
}

TEST(SingleInstance, DefaultLockLivesInTheRuntimeFolder) {
    EXPECT_TRUE(SingleInstance::defaultLockPath().endsWith(QStringLiteral("/orvelle.lock")));
    EXPECT_TRUE(
        SingleInstance::defaultLockPath().startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR")));
}
