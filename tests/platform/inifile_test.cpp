#include "platform/checkedsavefile.h"
#include "platform/inifile.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sys/resource.h>

namespace {

class IniFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Orvelle.ini"));

    void writeFile(const QByteArray& text) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    QByteArray fileText() {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A settings file of 300 bytes, written before any limit is set.
QByteArray writeOldSettings(const QString& path) {
    QByteArray old = "; settings\n[Main]\nFunction=1\nPath=/home/user/Music\n\n[mp3]\n";
    for (int i = 0; old.size() < 300; ++i)
        old += "key" + QByteArray::number(i) + "=" + QByteArray::number(i * 7) + "\n";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(old) != old.size() || !file.flush())
        return {};
    return old;
}

// From here on no file of this process may grow past 200 bytes, as on a full
// disk or over a quota: the write that would pass the limit fails with EFBIG.
bool limitFileSizeTo200Bytes() {
    const rlimit limit{200, 200};
    std::signal(SIGXFSZ, SIG_IGN);
    return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

// Runs in a child process: writes a setting under the file-size limit.
// Returns 0 when the write was refused and the old file kept byte for byte;
// otherwise says on stderr what went wrong.
int writeUnderAFileSizeLimit(const QString& value) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Orvelle.ini"));
    const QByteArray old = writeOldSettings(path);
    if (old.isEmpty() || !limitFileSizeTo200Bytes())
        return 10;

    // A file that stays under the limit is written as always.
    IniFile small(dir.filePath(QStringLiteral("small.ini")));
    try {
        small.writeInteger("Main", "Function", 1);
    } catch (const IniWriteError&) {
        std::fprintf(stderr, "a write under the limit was refused\n");
        return 1;
    }

    IniFile ini(path);
    try {
        ini.writeString("Main", "Comment", value);
        std::fprintf(stderr, "the write was not refused\n");
        return 2;
    } catch (const IniWriteError& error) {
        if (error.message() != QStringLiteral("Unable to write to ") + path) {
            std::fprintf(stderr, "wrong message: %s\n", error.what());
            return 3;
        }
    }
    if (readAll(path) != old) {
        std::fprintf(stderr, "the old file changed:\n%s\n", readAll(path).constData());
        return 4;
    }
    const QStringList files = QDir(dir.path()).entryList(QDir::Files);
    if (files != QStringList({"Orvelle.ini", "small.ini"})) {
        std::fprintf(stderr, "files left: %s\n", qPrintable(files.join(' ')));
        return 5;
    }
    return 0;
}

// Runs in a child process: a caller that misses a failed write still gets
// no cut-short file and learns why.
int commitAfterAnUncheckedFailedWrite() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Orvelle.ini"));
    const QByteArray old = writeOldSettings(path);
    if (old.isEmpty() || !limitFileSizeTo200Bytes())
        return 10;
    CheckedSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 11;
    file.write(QByteArray(150, 'a'));
    file.write(QByteArray(150, 'b')); // only 50 bytes fit
    file.write(QByteArray(10, 'c'));
    if (file.commit()) {
        std::fprintf(stderr, "the file was put in place\n");
        return 1;
    }
    if (file.errorString() != QString::fromLocal8Bit(std::strerror(EFBIG))) {
        std::fprintf(stderr, "reason: %s\n", qPrintable(file.errorString()));
        return 2;
    }
    if (readAll(path) != old || QDir(dir.path()).entryList(QDir::Files).size() != 1) {
        std::fprintf(stderr, "the old file changed or a temporary file was left\n");
        return 3;
    }
    return 0;
}

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefault) {
    IniFile ini(path);
    EXPECT_EQ(ini.readInteger("Main", "Function", 7), 7);
    EXPECT_EQ(ini.readString("Main", "Path", "x"), "x");
    EXPECT_TRUE(ini.readBool("MP3VBR", "vbrck", true));
    EXPECT_FALSE(QFile::exists(path)) << "reading must not create the file";
    writeFile("[Main]\nFunction=1\n");
    EXPECT_EQ(ini.readInteger("mp3", "Function", 3), 3);
    EXPECT_EQ(ini.readInteger("Main", "Format", 4), 4);
}

TEST_F(IniFileTest, NamesMatchWithoutCase) {
    writeFile("[mAiN]\nfUnCtIoN = 1\n");
    IniFile ini(path);
    EXPECT_EQ(ini.readInteger("MAIN", "function", 0), 1);
    ini.writeInteger("main", "FUNCTION", 0);
    EXPECT_EQ(fileText().toLower().count("function"), 1) << "the key is replaced, not added twice";
    EXPECT_EQ(ini.readInteger("Main", "Function", 5), 0);
}

TEST_F(IniFileTest, IntegersAreDecimalOrHexadecimal) {
    writeFile("[s]\na=42\nb=-3\nc=$1F\nd=0x10\ne=0XfF\nf=12abc\ng=\nh=word\ni=$FFFFFFFF\n"
              "j=99999999999\nk=-$10\nl=-0x1\nm=-0X1f\nn=-$FFFFFFFF\no=-$\np=$-10\n");
    IniFile ini(path);
    EXPECT_EQ(ini.readInteger("s", "a", 0), 42);
    EXPECT_EQ(ini.readInteger("s", "b", 0), -3);
    EXPECT_EQ(ini.readInteger("s", "c", 0), 31);
    EXPECT_EQ(ini.readInteger("s", "d", 0), 16);
    EXPECT_EQ(ini.readInteger("s", "e", 0), 255);
    EXPECT_EQ(ini.readInteger("s", "f", 7), 7);
    EXPECT_EQ(ini.readInteger("s", "g", 7), 7);
    EXPECT_EQ(ini.readInteger("s", "h", 7), 7);
    EXPECT_EQ(ini.readInteger("s", "i", 7), -1);
    EXPECT_EQ(ini.readInteger("s", "j", 7), 7) << "out of 32-bit range";
    // A leading minus sign, then the number in either base.
    EXPECT_EQ(ini.readInteger("s", "k", 7), -16);
    EXPECT_EQ(ini.readInteger("s", "l", 7), -1);
    EXPECT_EQ(ini.readInteger("s", "m", 7), -31);
    EXPECT_EQ(ini.readInteger("s", "n", 7), 1);
    EXPECT_EQ(ini.readInteger("s", "o", 7), 7);
    EXPECT_EQ(ini.readInteger("s", "p", 7), 7);
}

TEST_F(IniFileTest, BooleansAreIntegersAndWordsKeepTheDefault) {
    writeFile("[s]\ntwo=2\nzero=0\nword=yes\n");
    IniFile ini(path);
    EXPECT_TRUE(ini.readBool("s", "two", false));
    EXPECT_FALSE(ini.readBool("s", "zero", true));
    EXPECT_TRUE(ini.readBool("s", "word", true));
    EXPECT_FALSE(ini.readBool("s", "word", false));
    ini.writeBool("s", "flag", true);
    ini.writeBool("s", "other", false);
    EXPECT_TRUE(fileText().contains("flag=1\n"));
    EXPECT_TRUE(fileText().contains("other=0\n"));
}

TEST_F(IniFileTest, TextIsReadAsWrittenUpTo2047Characters) {
    IniFile ini(path);
    ini.writeString("Freedb", "port", "80a b");
    EXPECT_EQ(ini.readString("Freedb", "port", ""), "80a b");
    ini.writeString("Main", "Path", QString::fromUtf8("/home/zoë/Müsik"));
    EXPECT_EQ(ini.readString("Main", "Path", ""), QString::fromUtf8("/home/zoë/Müsik"));
    const QString longText(5000, QLatin1Char('x'));
    ini.writeString("Main", "Long", longText);
    EXPECT_EQ(ini.readString("Main", "Long", "").size(), IniFile::MaxTextLength);
    ini.writeString("Main", "Lines", "one\ntwo");
    EXPECT_EQ(ini.readString("Main", "Lines", ""), "one two") << "a value stays on its line";
}

TEST_F(IniFileTest, WritesGoToTheFileAtOnceAndKeepEverythingElse) {
    writeFile("; kept comment\n[Main]\nFunction=1\n\n[mp3]\nbitrate=3\n");
    IniFile ini(path);
    ini.writeInteger("Main", "Format", 2);
    ini.writeInteger("wav", "mode", 1);
    EXPECT_EQ(
        fileText(),
        "; kept comment\n[Main]\nFunction=1\nFormat=2\n\n[mp3]\nbitrate=3\n\n[wav]\nmode=1\n");
    // Another object on the same file sees the write at once: nothing is cached.
    IniFile other(path);
    EXPECT_EQ(other.readInteger("wav", "mode", 0), 1);
    other.writeInteger("wav", "mode", 2);
    EXPECT_EQ(ini.readInteger("wav", "mode", 0), 2);
}

TEST_F(IniFileTest, AWriteChangesOnlyItsOwnLineByteForByte) {
    // Saved by other programs: a UTF-8 marker, Windows line ends, Latin-1 text, no last line end.
    const QByteArray old = "\xEF\xBB\xBF[Main]\r\nFunction=1\r\nPath=/home/zo\xEB/M\xFCsik\r\n"
                           "; caf\xE9 \x1b[0m\r\n\r\n[mp3]\nbitrate=3";
    struct Case {
        const char* section;
        const char* key;
        QByteArray expected;
    };
    const Case cases[] = {
        {"Main", "Function", QByteArray(old).replace("Function=1", "Function=2")},
        {"main", "Format", QByteArray(old).replace("M\xFCsik\r\n", "M\xFCsik\r\nFormat=2\r\n")},
        {"mp3", "bitrate", QByteArray(old).replace("bitrate=3", "bitrate=2")},
        {"wav", "mode", old + "\r\n\r\n[wav]\r\nmode=2\r\n"},
    };
    for (const Case& c : cases) {
        writeFile(old);
        IniFile ini(path);
        ini.writeInteger(c.section, c.key, 2);
        EXPECT_EQ(fileText(), c.expected) << c.section << "/" << c.key;
        EXPECT_EQ(ini.readInteger(c.section, c.key, 0), 2);
    }
}

TEST_F(IniFileTest, FirstWriteCreatesTheFileAndItsFolder) {
    const QString nested = dir.filePath(QStringLiteral("a/b/Orvelle.ini"));
    IniFile ini(nested);
    ini.writeInteger("Main", "Output", 3);
    EXPECT_TRUE(QFile::exists(nested));
    EXPECT_EQ(ini.readInteger("Main", "Output", 0), 3);
}

TEST_F(IniFileTest, RefusedWriteRaisesWithTheFileName) {
    // A folder where the file should be refuses every write, even root's.
    ASSERT_TRUE(QDir().mkpath(path));
    IniFile ini(path);
    EXPECT_EQ(ini.readInteger("Main", "Function", 4), 4);
    try {
        ini.writeInteger("Main", "Function", 0);
        FAIL() << "the write was not refused";
    } catch (const IniWriteError& error) {
        EXPECT_EQ(error.message(), QStringLiteral("Unable to write to ") + path);
    }
}

TEST(IniFileOnAFullDisk, RefusedWriteKeepsTheOldFileByteForByte) {
    // The child starts afresh rather than forking a process that may have threads.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const QString& value : {QStringLiteral("2"), QString(1000, QLatin1Char('v'))})
        EXPECT_EXIT(std::exit(writeUnderAFileSizeLimit(value)), ::testing::ExitedWithCode(0), "")
            << value.size() << " characters";
    EXPECT_EXIT(std::exit(commitAfterAnUncheckedFailedWrite()), ::testing::ExitedWithCode(0), "");
}

TEST_F(IniFileTest, AWriteLeavesOnlyTheFinishedFile) {
    writeFile("[Main]\nFunction=1\n");
    IniFile ini(path);
    ini.writeString("Main", "Path", "/music");
    // Only the finished file is ever in place: no temporary file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Orvelle.ini"});
    EXPECT_EQ(fileText(), "[Main]\nFunction=1\nPath=/music\n");
}

} // namespace
