#include "tags/coverpicture.h"

#include "components/ffmpeg/attachedpicture.h"
#include "tags/coverart.h"
#include "tags/wmatag.h"

#include <QFile>

CoverArt readCoverPicture(const QString& path, QString* refusal) {
    if (refusal)
        refusal->clear();
    AttachedPicture picture = readAttachedPicture(path);
    if (picture.data.isEmpty() && picture.asf) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            picture.data = readWmaPictureFrom(file);
    }
    if (picture.data.isEmpty())
        return {};
    return CoverCheck::checked(picture.data, refusal);
}
