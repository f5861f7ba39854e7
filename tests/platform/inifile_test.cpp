#include "platform/inifile.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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
              "j=99999999999\n");
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

TEST_F(IniFileTest, AWriteLeavesOnlyTheFinishedFile) {
    writeFile("[Main]\nFunction=1\n");
    IniFile ini(path);
    ini.writeString("Main", "Path", "/music");
    // Only the finished file is ever in place: no temporary file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Orvelle.ini"});
    EXPECT_EQ(fileText(), "[Main]\nFunction=1\nPath=/music\n");
}

} // namespace
