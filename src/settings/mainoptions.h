#pragma once

#include "settings/mainchoices.h"

#include <QString>

class SettingsFile;

// The four choices of section "Main" that the window keeps between runs.
struct MainOptions {
    FunctionMode function = CdRipper;
    OutputFormat format = FormatMp3;
    // Kept as stored, also when it names no scheme, so that saving gives it back.
    FolderScheme folderScheme = FolderScheme::None;
    QString outputPath;

    // A stored function or format outside its list falls back to the default;
    // "SET" is a command, never a stored format.
    static MainOptions load(const SettingsFile& settings);
    // Writes all four, changed or not. Raises IniWriteError when refused.
    void save(SettingsFile& settings) const;
};
