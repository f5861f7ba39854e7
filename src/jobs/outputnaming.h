#pragma once

#include "components/output/outputreservation.h"
#include "platform/partfilename.h"
#include "settings/mainchoices.h"
#include "values/rowtag.h"

#include <memory>
#include <QString>
#include <QStringList>
#include <set>
#include <utility>

// Where a row's output goes: the output folder, the sub-folders of the
// scheme made from the row's tags, a file name made from the row's caption
// with the target's extension, and a collision prefix ("01_") when the name
// is taken. Texts from a disc, a server or the tag edits never reach outside
// the output folder, never make hidden names, and are cut to what Linux allows.

// The text without the nine characters * ? | : " / \ < > and without control
// characters; blanks, dots and letters outside ASCII stay.
QString sanitizeName(const QString& text);

// ".mp3", ".wav", ".wma", ".ogg" or ".rm".
QString outputExtension(OutputFormat format);

// "7" -> "07"; numbers of two digits or more stay as they are.
QString formatTwoDigits(int n);

// What a row contributes to its output path.
struct OutputNameSource {
    QString caption; // the track title (CD) or the source's file name (file)
    bool cdRow = false;
    int track = 0;  // CD rows: 0-based track index, for "Track01"
    QString source; // file rows: the source path, whose base name stands in for an empty caption
};

// The file name of a row without collision prefix. A CD caption is a title:
// it is cleaned, loses trailing dots and blanks, and gets the extension
// appended ("Op. 27" -> "Op. 27.mp3"). A file caption is a file name: its
// extension is replaced ("song.wav" -> "song.ogg"). A name that cleaning
// leaves empty becomes "Track" and the two-digit track number (CD) or the
// source's base name (file); no name starts with a dot.
QString outputFileName(const OutputNameSource& row, OutputFormat format);

// The folder a row goes into, ending in "/": the output folder (a leading
// "~" stands for the home folder) and the Artist and/or Album sub-folder of
// the scheme. A tag that is empty, "." or ".." or only dots and blanks after
// cleaning adds no folder. The whole path is created; raises JobError when
// it cannot be.
QString buildOutputFolder(const QString& outputFolder, FolderScheme scheme, const RowTag& tag);

// The folder of buildOutputFolder, held open.
std::shared_ptr<const OutputFolder> openOutputFolder(const QString& outputFolder,
                                                     FolderScheme scheme, const RowTag& tag);

// What happens when the name of a file being saved is taken.
enum class WhenTaken { NextFreeName, Refuse };

// Saves bytes whole as fileName in folder (a rip log, a playlist, a cue
// sheet, a folder picture) the way every output file is made: under its part
// name, created exclusively, through that one descriptor, synced, then named
// without replacing anything (with NextFreeName, the first free collision
// name from fileName on). Returns the path it got; empty when fileName is
// taken and whenTaken is Refuse. Raises JobError, leaving nothing.
QString saveOutputFile(const std::shared_ptr<const OutputFolder>& folder, const QString& fileName,
                       const QByteArray& bytes, WhenTaken whenTaken = WhenTaken::NextFreeName);

// Copies the file at sourcePath whole into folder as fileName, made as
// saveOutputFile makes its files (the next free collision name when taken).
// Returns the path it got. Raises JobError, leaving nothing.
QString copyOutputFile(const std::shared_ptr<const OutputFolder>& folder, const QString& fileName,
                       const QString& sourcePath);

struct OutputPath {
    QString folder; // ends in "/"
    QString path;   // the name chosen for the file; nothing is there until it is complete
    QString part;   // the file being written (partFileOf(path)), reserved and held open
    std::shared_ptr<const OutputFolder> handle; // the folder, held open
};

// Files by device and inode, whatever path names them.
using FileIds = std::set<std::pair<quint64, quint64>>;
// The files at paths, those that exist.
FileIds fileIdsOf(const QStringList& paths);

// The row's folder and the file it is written to, reserved just before the
// row is processed: path is the first name of the collision rules that is
// free and whose part file ".<name>.<owner>.orvelle-part" could be created
// exclusively (never through a link). The part file stays open for the
// writer. Part files in the folder left by processes that are gone are
// removed first (removeStaleParts), except the job's inputs.
OutputPath buildOutputPath(const QString& outputFolder, FolderScheme scheme, const RowTag& tag,
                           const OutputNameSource& row, OutputFormat format,
                           const FileIds& inputs = {});

// Gives the complete part file of path its name, never replacing anything:
// path, or when that was taken meanwhile the next free collision name.
// Returns the name it got; raises JobError when it can get none.
QString commitOutputFile(const QString& path);

// Removes the part file of path, whose row failed, and lets go of it.
void discardOutputFile(const QString& path);

// Removes the part files in folder whose owner, the process named in the
// file name (process id and start time), is gone. Only the user's own
// regular files with exactly a part name are touched, and none of keep.
void removeStaleParts(const OutputFolder& folder, const FileIds& keep = {});
