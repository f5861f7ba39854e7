#pragma once

#include <QList>
#include <QString>

// Which files the converter takes, judged by the extension in lower case.
//
// Audio: .mp3 .wav .ogg .wma .raw .vox. Every other file chosen by name (Add
// File, a dropped file) is tried as a video. A folder is narrower: only the
// audio extensions and .mpeg .wmv .avi .mpg .asx .asf are tried, the rest is
// passed over without a word.
bool IsAudioFile(const QString& fileName);
bool IsVideoFile(const QString& fileName);
bool IsFolderVideoFile(const QString& fileName);
bool IsWmaFile(const QString& fileName);

// Hours, minutes and seconds of a duration in milliseconds, each at least two
// digits: "01:02:05", "100:00:00".
QString FormatDuration(qint64 milliseconds);

// One entry of the Add File dialog's filter list.
struct OpenDialogFilter {
    QString name;     // as the user sees it
    QString patterns; // separated by ';'
};

// The twelve filters of the Add File dialog, in their order; the first is
// selected when the dialog opens.
QList<OpenDialogFilter> OpenDialogFilters();
// The same in the form Qt's file dialog takes: "name (p1 p2);;name (p1)".
QString OpenDialogFilterText();
