#include "fuzzfile.h"
#include "platform/inifile.h"

#include <cstdlib>

// Any settings file: every read answers, none runs past the text limit, and a
// value written into the damaged file reads back as written.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    IniFile ini(fuzzFile("Orvelle.ini", data, size));
    for (const char* section : {"Main", "mp3", "Drives", "Freedb", ""}) {
        for (const char* key : {"Function", "Path", "image1", "bitrate", ""}) {
            if (ini.readString(QLatin1String(section), QLatin1String(key), QString()).size() >
                IniFile::MaxTextLength)
                std::abort();
            ini.readInteger(QLatin1String(section), QLatin1String(key), 0);
            ini.readBool(QLatin1String(section), QLatin1String(key), false);
        }
    }
    int value = 0;
    IniFile::parseInteger(
        QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size < 64 ? size : 64)),
        &value);
    try {
        ini.writeString(QStringLiteral("Fuzz"), QStringLiteral("Key"), QStringLiteral("a=b;c"));
        ini.writeInteger(QStringLiteral("main"), QStringLiteral("function"), -17);
    } catch (const IniWriteError&) {
        return 0;
    }
    if (ini.readString(QStringLiteral("FUZZ"), QStringLiteral("key"), QString()) !=
            QLatin1String("a=b;c") ||
        ini.readInteger(QStringLiteral("Main"), QStringLiteral("Function"), 0) != -17)
        std::abort();
    return 0;
}
