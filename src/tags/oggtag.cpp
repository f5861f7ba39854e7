#include "tags/oggtag.h"

#include "tags/oggcommenteditor.h"
#include "tags/tagerror.h"
#include "tags/tagfilerewrite.h"
#include "tags/vorbiscomments.h"

#include <QFile>
#include <vorbis/codec.h>

namespace {

QString cannotOpen(const QString& fileName, const QString& reason) {
    return QStringLiteral("Cannot open %1: %2").arg(fileName, reason);
}

QString cannotWrite(const QString& reason) {
    return reason.isEmpty() ? QStringLiteral("Cannot write comments")
                            : QStringLiteral("Cannot write comments: %1").arg(reason);
}

} // namespace

bool OGGTag::operator==(const OGGTag& other) const {
    return album == other.album && title == other.title && artist == other.artist &&
           comment == other.comment && genre == other.genre && year == other.year &&
           track == other.track;
}

bool writeOggTag(const QString& fileName, const OGGTag& tag, const TagExtras& extras) {
    TagFileRewrite rewrite(fileName);
    if (!rewrite.open())
        throw TagError(cannotOpen(fileName, rewrite.errorString()));
    OggCommentEditor editor;
    if (!editor.open(rewrite.original()) || !editor.rewritable())
        throw TagError(cannotOpen(fileName, editor.lastError()));

    const VorbisComments::Flavour flavour = editor.codec() == OggCommentEditor::Codec::Opus
                                                ? VorbisComments::Flavour::Opus
                                                : VorbisComments::Flavour::Vorbis;
    vorbis_comment* block = editor.comments();
    vorbis_comment_clear(block);
    vorbis_comment_init(block);
    for (const QByteArray& comment : VorbisComments::build(tag, extras, flavour, true))
        vorbis_comment_add(block, comment.constData());
    if (!editor.write(rewrite.replacement()))
        throw TagError(cannotWrite(editor.lastError()));
    if (!rewrite.commit())
        throw TagError(cannotWrite(rewrite.errorString()));
    return true;
}

OGGTag readOggTagFrom(QIODevice& device) {
    OggCommentEditor editor;
    if (!editor.open(device))
        return {};
    return VorbisComments::tagFrom(editor.commentTexts());
}

OGGTag readOggTag(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw TagError(cannotOpen(fileName, file.errorString()));
    return readOggTagFrom(file);
}
