#pragma once

#include <QString>

// A folder that is the user's alone: a folder itself (not a link to one),
// owned by this user and closed to others (mode 700). The lock folder and the
// caches live in one, so that no other user can plant a file or a link there.
namespace PrivateFolder {

// Why the folder at path is not private; empty when it is.
QString problem(const QString& path);
// Makes the folder with mode 700 when it is missing (its parent must exist);
// why it is not private then, empty when it is.
QString make(const QString& path);
// The folder opened for *at() calls, without following a link to it and
// checked on the open descriptor; -1 with the reason in error when it is not
// private. The caller closes it.
int open(const QString& path, QString* error = nullptr);

} // namespace PrivateFolder
