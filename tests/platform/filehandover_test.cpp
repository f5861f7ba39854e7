#include "platform/filehandover.h"

#include <cstring>
#include <grp.h>
#include <gtest/gtest.h>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(FileHandOverTest, ASecondStartHandsItsFilesToTheRunningOne) {
    QTemporaryDir folder;
    const QString socket = FileHandOver::socketPath(folder.filePath("orvelle.lock"));
    EXPECT_FALSE(FileHandOver::send(socket, {"/a.mp3"})) << "nobody listens yet";

    FileHandOver running;
    ASSERT_TRUE(running.listen(socket));
    QSignalSpy received(&running, &FileHandOver::pathsReceived);
    // Any name arrives whole, a line break in it included.
    const QStringList paths{"/music/Émilie – 01.mp3", "/music/b c.wav", "/music/two\nlines.mp3"};
    ASSERT_TRUE(FileHandOver::send(socket, paths));
    ASSERT_TRUE(received.wait(10000));
    EXPECT_EQ(received.first().first().toStringList(), paths);
}

// Runs `work` in a child process as the user "nobody"; exitStatus() gives its
// result. The child makes only system calls, as a child of a process with threads must.
template <typename Work> pid_t startAsNobody(Work work) {
    const pid_t child = ::fork();
    const gid_t nobody = 65534;
    if (child == 0)
        ::_exit(::setgroups(1, &nobody) == 0 && ::setresgid(nobody, nobody, nobody) == 0 &&
                        ::setresuid(nobody, nobody, nobody) == 0
                    ? work()
                    : 90);
    return child;
}

int exitStatus(pid_t child) {
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(FileHandOverTest, NoFileGoesToOrComesFromAnotherUser) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "acting as another user needs root; run as root or with setpriv";
    QTemporaryDir folder; // one that both users may enter, as a shared temporary folder
    ::chmod(QFile::encodeName(folder.path()).constData(), 0777);
    sockaddr_un address{AF_UNIX, {}};
    const auto reach = [&](const QString& path) {
        std::strncpy(address.sun_path, QFile::encodeName(path).constData(),
                     sizeof address.sun_path - 1);
        return reinterpret_cast<const sockaddr*>(&address);
    };

    // Another user listens where Orvelle's socket should be: it hears nothing.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const sockaddr* foreign = reach(folder.filePath("foreign.socket"));
    const pid_t listener = startAsNobody([&] {
        const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::bind(server, foreign, sizeof address) != 0 || ::listen(server, 1) != 0 ||
            ::write(ready[1], "r", 1) != 1)
            return 2;
        char byte;
        return int(::read(::accept(server, nullptr, nullptr), &byte, 1) > 0); // 1: heard
    });
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    EXPECT_FALSE(FileHandOver::send(folder.filePath("foreign.socket"), {"/home/me/secret.mp3"}));
    EXPECT_EQ(exitStatus(listener), 0) << "1: the other user heard the file's name";

    // Another user reaches Orvelle's socket: what it sends is not taken.
    const QString socket = FileHandOver::socketPath(folder.filePath("orvelle.lock"));
    FileHandOver running;
    ASSERT_TRUE(running.listen(socket));
    ::chmod(QFile::encodeName(socket).constData(), 0777);
    QSignalSpy received(&running, &FileHandOver::pathsReceived);
    const QByteArray planted = QByteArray("\0\0\0\1\0\0\0\x0c", 8) + "/planted.mp3";
    const sockaddr* own = reach(socket);
    const pid_t planter = startAsNobody([&] {
        const int peer = ::socket(AF_UNIX, SOCK_STREAM, 0);
        return ::connect(peer, own, sizeof address) == 0 &&
                       ::write(peer, planted.constData(), std::size_t(planted.size())) ==
                           planted.size()
                   ? 0
                   : 3;
    });
    EXPECT_EQ(exitStatus(planter), 0) << "the other user could not reach the socket at all";
    ASSERT_TRUE(FileHandOver::send(socket, {"/mine.mp3"}));
    QTRY_VERIFY_WITH_TIMEOUT(!received.isEmpty() &&
                                 received.last().first().toStringList() == QStringList{"/mine.mp3"},
                             10000);
    EXPECT_EQ(received.size(), 1) << "another user's files were taken";
}

} // namespace
