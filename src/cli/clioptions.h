#pragma once

#include "components/loudness/loudnessmeter.h"
#include "settings/mainchoices.h"

#include <optional>
#include <QString>
#include <QStringList>
#include <QVector>

// What the command line asks for. Choices left out are taken from the
// settings file, as the window would take them.
struct CliOptions {
    QStringList inputs; // files and folders, or the one drive or image of --cd
    std::optional<OutputFormat> format;
    // -f with a list: the formats made beside the first from the same read.
    std::optional<QVector<OutputFormat>> alsoMake;
    QString outputFolder;
    std::optional<FolderScheme> scheme;
    QString settingsPath;
    std::optional<int> jobs;       // 0: one row per core
    std::optional<int> replayGain; // 0 off, 1 track, 2 track and album
    std::optional<PeakKind> replayGainPeak;
    bool recursive = false;
    bool cd = false;
    QVector<int> tracks; // 1-based, in the order given; empty: every track
    bool freedb = false;
    bool musicBrainz = false;
    int release = 0;              // --release: the MusicBrainz release taken, from 1; 0 the first
    bool requireAccurate = false; // a track AccurateRip does not vouch for fails
    bool requireComplete = false; // a damaged source fails its file
    bool noLog = false;           // no rip log beside the files
    bool noCue = false;           // no cue sheet and playlist beside the files
    bool noHiddenTrack = false;   // audio before track 1 is not ripped
    bool image = false;           // the whole disc as one FLAC or WAV file
    bool mirror = false;          // the inputs are folders kept as a tree in the output folder
    bool force = false;           // --mirror: every file made again
    bool deleteGone = false;      // --mirror: outputs whose source is gone are removed
    bool copyLossy = false;       // --mirror: lossy sources copied as they are
    std::optional<QString> copyExtra; // --mirror: extensions copied alongside
    bool list = false;
    bool quiet = false;
    bool help = false;
    bool version = false;

    // The arguments after the program's name. Returns the usage error, or an
    // empty text when the arguments make sense.
    QString parse(const QStringList& arguments);
};

// "1,3-5" -> 1, 3, 4, 5; nothing (and *error set) for text that is no such list.
QVector<int> parseTrackList(const QString& text, QString* error);

// The text --help prints.
QString helpText();
// The two lines a usage error ends with.
QString shortUsage();
