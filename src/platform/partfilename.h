#pragma once

#include <optional>
#include <QByteArray>
#include <QString>

// A file Orvelle is still making lies beside its final name under a hidden
// one, ".<name>.<owner>.orvelle-part", where the owner is the process that
// makes it (its id and start time). Only whole part files ever get a name of
// their own, and a process that finds a part file whose owner is gone may
// remove it.

// The longest name of one file or folder, in bytes.
inline constexpr int MaxNameBytes = 255;

// What ends the name of a file still being written.
inline constexpr char PartFileSuffix[] = ".orvelle-part";

// text cut to at most maxBytes bytes of UTF-8, never inside a character.
QString cutToUtf8Bytes(const QString& text, int maxBytes);

// fileName cut to fit in maxBytes, its extension kept: only the stem loses
// characters, then its trailing dots and blanks.
QString fitFileName(const QString& fileName, int maxBytes = MaxNameBytes);

// The owner mark of this process in part file names: "<pid>-<start time>",
// "<pid>-0" when the start time cannot be read.
QString partOwner();

// The part file this process writes for a file to be named finalName, its
// name shortened to fit: "Op. 27.mp3" -> ".Op. 27.mp3.<owner>.orvelle-part".
QString partNameOf(const QString& finalName);
// The same for a path: "<folder>/.<name>.<owner>.orvelle-part".
QString partFileOf(const QString& path);

// A name that is exactly a part name: the name inside and the owner mark.
struct PartName {
    QString finalName;
    QByteArray owner;
};
// Nothing for a name that is not one (".take.2024-05.orvelle-part.flac", ".x.a-1.orvelle-part").
std::optional<PartName> parsePartName(const QByteArray& fileName);

// Whether the process an owner mark names has ended (no process with that id
// runs, or one started at another time). False when this process cannot tell.
bool partOwnerIsGone(const QByteArray& owner);

// The name a file being written will get: ".Op. 27.mp3.4711-1234.orvelle-part"
// -> "Op. 27.mp3"; other names stay as they are.
QString finalNameOfPart(const QString& fileName);
// path with the name it will get, for messages: "<folder>/Op. 27.mp3".
QString finalPathOfPart(const QString& path);
