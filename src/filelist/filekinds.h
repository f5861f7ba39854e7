#pragma once

#include <QList>
#include <QString>

// Which files the converter takes, judged by the extension in lower case.
//
// Audio: .mp3 .wav .ogg .wma .raw .vox, and .flac .opus .oga .m4a .aac .mp4
// .aiff .aif .ape .wv .mka .webm .mp2 .ac3 .dts .caf. Every other file chosen by name (Add
// File, a dropped file) is tried as a video. A folder is narrower: only the
// audio extensions and .mpeg .wmv .avi .mpg .asx .asf are tried, the rest is
// passed over without a word.
bool isAudioFile(const QString& fileName);
bool isVideoFile(const QString& fileName);
bool isFolderVideoFile(const QString& fileName);
bool isWmaFile(const QString& fileName);

// Hours, minutes and seconds of a duration in milliseconds, each at least two
// digits: "01:02:05", "100:00:00".
QString formatDuration(qint64 milliseconds);

// One entry of the Add File dialog's filter list.
struct OpenDialogFilter {
    QString name;     // as the user sees it
    QString patterns; // separated by ';'
};

// The filters of the Add File dialog, in their order: every audio kind
// first, selected when the dialog opens, then the twelve of old and one for
// each group of newer kinds.
QList<OpenDialogFilter> openDialogFilters();
// The same in the form Qt's file dialog takes: "name (p1 p2);;name (p1)".
QString openDialogFilterText();
