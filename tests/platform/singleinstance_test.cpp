#include "platform/singleinstance.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

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
    // The restart waits on a thread of its own; it may succeed only after the release.
    std::atomic<bool> released{false}, acquired{false}, releasedFirst{false};
    SingleInstance restarted(lock);
    std::unique_ptr<QThread> starter(QThread::create([&] {
        acquired = restarted.acquire(10000);
        releasedFirst = released.load();
    }));
    starter->start();
    EXPECT_FALSE(starter->wait(QDeadlineTimer(100))) << "the restart goes on waiting";
    released = true;
    old.release();
    ASSERT_TRUE(starter->wait(QDeadlineTimer(10000)));
    EXPECT_TRUE(acquired);
    EXPECT_TRUE(releasedFirst);
}

TEST(SingleInstance, TheLockLivesOnlyInAFolderThatIsTheUsersAlone) {
    const uid_t me = ::geteuid();
    const QString own = QStringLiteral("tmp/orvelle-%1").arg(me);
    // Which runtime folder is set (private "run", "open" with mode 755, or none), what is at
    // tmp/orvelle-<uid> beforehand, and where the lock goes ("" when Orvelle refuses to start).
    const struct {
        const char* runtime;
        const char* fallback; // "" none, "777" a folder others may enter, "other" another
                              // user's, "link" a link to a private folder
        QString expected;
    } cases[] = {{"run", "", "run"}, {"", "", own},     {"open", "", own},
                 {"", "777", ""},    {"", "other", ""}, {"", "link", ""}};
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR"), oldTemp = qgetenv("TMPDIR");
    QTemporaryDir dir; // made before TMPDIR changes below
    int number = 0;
    for (const auto& c : cases) {
        const QByteArray kind = c.fallback;
        if (kind == "other" && me != 0) {
            std::printf("skipped a fallback of another user: giving it away needs root\n");
            continue;
        }
        const QString base = dir.filePath(QString::number(++number)) + "/", fallback = base + own;
        const auto make = [](const QString& folder, mode_t mode, uid_t owner) {
            const QByteArray name = QFile::encodeName(folder);
            EXPECT_TRUE(QDir().mkpath(folder) && ::chmod(name.constData(), mode) == 0 &&
                        ::chown(name.constData(), owner, owner) == 0);
        };
        make(base + "run", 0700, me);
        make(base + "open", 0755, me);
        make(base + "private", 0700, me);
        make(base + "tmp", 0755, me);
        if (kind == "777")
            make(fallback, 0777, me);
        if (kind == "other")
            make(fallback, 0700, 65534);
        if (kind == "link")
            QFile::link(base + "private", fallback);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(*c.runtime ? base + c.runtime : QString()));
        qputenv("TMPDIR", QFile::encodeName(base + "tmp"));

        SingleInstance instance;
        EXPECT_EQ(instance.acquire(), !c.expected.isEmpty()) << c.runtime << " " << c.fallback;
        if (c.expected.isEmpty()) {
            EXPECT_EQ(SingleInstance::defaultLockPath(), QString());
            EXPECT_TRUE(instance.error().contains(fallback)) << instance.error().toStdString();
        } else {
            EXPECT_EQ(SingleInstance::defaultLockPath(), base + c.expected + "/orvelle.lock");
            EXPECT_EQ(QFileInfo(base + c.expected).permissions() & 0x77, QFile::Permissions());
        }
    }
    qputenv("XDG_RUNTIME_DIR", oldRuntime);
    oldTemp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", oldTemp);
}

TEST(SingleInstance, ALockThatNoRunningProcessHoldsIsTakenOver) {
    // A lock cut short as it was made, and garbage: no process holds them.
    for (const QByteArray& content : {QByteArray(), QByteArray("\x01x")}) {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("orvelle.lock")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        file.flush();
        file.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFile::FileModificationTime);
        SingleInstance instance(file.fileName());
        EXPECT_TRUE(instance.acquire()) << content.toStdString();
    }
}

TEST(SingleInstance, DefaultLockLivesInTheRuntimeFolder) {
    EXPECT_TRUE(SingleInstance::defaultLockPath().endsWith(QStringLiteral("/orvelle.lock")));
    EXPECT_TRUE(
        SingleInstance::defaultLockPath().startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR")));
}
