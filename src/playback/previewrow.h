#pragma once

#include <QString>

// Where a row's sound comes from: a track of the disc in 'CD Ripper', an audio file or
// the sound of a video file in 'Converter'.
enum class PreviewKind { CdTrack, AudioFile, VideoFile };

// The row a preview plays, as the list knows it.
struct PreviewRow {
    int row = -1; // index in the list; -1 = none
    PreviewKind kind = PreviewKind::CdTrack;
    int track = -1; // CD track, 0-based
    QString path;   // the audio or video file
};
