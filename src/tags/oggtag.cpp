#include "tags/oggtag.h"

#include "tags/oggcommenteditor.h"
#include "tags/tagerror.h"
#include "tags/tagfilerewrite.h"
#include "tags/vorbiscomments.h"

#include <QFile>
#include <vorbis/codec.h>

namespace {

QString CannotOpen(const QString& fileName, const QString& reason) {
    return QStringLiteral("Cannot open %1: %2").arg(fileName, reason);
}

QString CannotWrite(const QString& reason) {
    return reason.isEmpty() ? QStringLiteral("Cannot write comments")
                            : QStringLiteral("Cannot write comments: %1").arg(reason);
}

} // namespace

bool OGGTag::operator==(const OGGTag& other) const {
    return Album == other.Album && Title == other.Title && Artist == other.Artist &&
           Comment == other.Comment && Genre == other.Genre && Year == other.Year &&
           Track == other.Track;
}

bool WriteOggTag(const QString& fileName, const OGGTag& tag, const TagExtras& extras) {
    TagFileRewrite rewrite(fileName);
    if (!rewrite.open())
        throw TagError(CannotOpen(fileName, rewrite.errorString()));
    OggCommentEditor editor;
    if (!editor.open(rewrite.original()) || !editor.rewritable())
        throw TagError(CannotOpen(fileName, editor.lastError()));

    const VorbisComments::Flavour flavour = editor.codec() == OggCommentEditor::Codec::Opus
                                                ? VorbisComments::Flavour::Opus
                                                : VorbisComments::Flavour::Vorbis;
    vorbis_comment* block = editor.comments();
    vorbis_comment_clear(block);
    vorbis_comment_init(block);
    for (const QByteArray& comment : VorbisComments::build(tag, extras, flavour, true))
        vorbis_comment_add(block, comment.constData());
    if (!editor.write(rewrite.replacement()))
        throw TagError(CannotWrite(editor.lastError()));
    if (!rewrite.commit())
        throw TagError(CannotWrite(rewrite.errorString()));
    return true;
}

OGGTag ReadOggTagFrom(QIODevice& device) {
    OggCommentEditor editor;
    if (!editor.open(device))
        return {};
    return VorbisComments::tagFrom(editor.commentTexts());
}

OGGTag ReadOggTag(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw TagError(CannotOpen(fileName, file.errorString()));
    return ReadOggTagFrom(file);
}
