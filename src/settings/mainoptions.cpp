#include "settings/mainoptions.h"

#include "settings/mainkeys.h"
#include "settings/settingsfile.h"

namespace {
constexpr int FunctionCount = 2;
} // namespace

MainOptions MainOptions::load(const SettingsFile& settings) {
    MainOptions options;
    options.function =
        static_cast<FunctionMode>(settings.readPosition(MainKeys::Function, FunctionCount));
    const int format = settings.read(MainKeys::Format);
    options.format =
        static_cast<OutputFormat>(isOutputFormat(format) ? format : MainKeys::Format.defaultValue);
    options.folderScheme = static_cast<FolderScheme>(settings.read(MainKeys::Output));
    options.outputPath =
        settings.ini().readString(QLatin1String(MainKeys::PathSection),
                                  QLatin1String(MainKeys::PathName), defaultOutputPath());
    return options;
}

void MainOptions::save(SettingsFile& settings) const {
    settings.write(MainKeys::Function, int(function));
    settings.write(MainKeys::Format, int(format));
    settings.write(MainKeys::Output, int(folderScheme));
    settings.ini().writeString(QLatin1String(MainKeys::PathSection),
                               QLatin1String(MainKeys::PathName), outputPath);
}
