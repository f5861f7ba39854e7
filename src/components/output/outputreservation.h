#pragma once

#include <QString>

// An output file is created exclusively when its name is chosen and stays
// open until the writer that fills it takes the descriptor: nobody can put a
// link in its place in between, and nothing is opened twice by name.
namespace OutputReservation {

// Keeps fd, just created exclusively as path, for the writer of path.
void hold(const QString& path, int fd);
// Closes a descriptor still held for path: its row ended before writing.
void release(const QString& path);
// A descriptor to write (and read back) path: the one held for it, else the
// file created, or emptied when it exists, but never through a symbolic
// link. The caller closes it. Raises ComponentError.
int openForWriting(const QString& path);

} // namespace OutputReservation
