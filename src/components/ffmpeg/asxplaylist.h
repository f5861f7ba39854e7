#pragma once

#include <QString>

// An .asx file is a small XML playlist (<asx><entry><ref href="..."/>) that
// points at the media to play.
namespace AsxPlaylist {
// The first entry that is a local regular file. Raises ComponentError when
// there is none (network streams are not followed), or when the playlist
// itself is no regular file.
QString firstLocalEntry(const QString& asxPath);
} // namespace AsxPlaylist
