#pragma once

#include <QByteArray>
#include <QString>

// The picture FFmpeg shows as attached to a file, as its bytes stand.
struct AttachedPicture {
    QByteArray data;  // empty when the file has none or cannot be opened
    bool asf = false; // the file opened as ASF, whose WM/Picture FFmpeg may not show
};

// The first attached picture, a front cover before any other. Nothing
// raises and FFmpeg prints nothing.
AttachedPicture readAttachedPicture(const QString& path);
