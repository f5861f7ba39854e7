#pragma once

#include <QString>
#include <QStringList>

// The files of a folder that Add Folder tries: those with an audio extension or
// one of the six video extensions of a folder (filekinds.h), in the order the
// directory lists them. Sub-folders are not entered unless `recursive`; "."
// and ".." are never listed. Only regular files (or links to them) are listed,
// so that a pipe or device named like a song cannot stall the batch.
QStringList folderEntries(const QString& folder, bool recursive = false);

// Paths dropped onto the list: a file is kept as Add File would take it, a
// folder gives its folderEntries. Order is kept.
QStringList expandDroppedPaths(const QStringList& paths, bool recursive = false);
