#include "tags/oggtag.h"

#include "tags/oggcommenteditor.h"
#include "tags/tagerror.h"
#include "tags/tagfilerewrite.h"
#include "tags/tagtext.h"
#include "tags/tstrcomments.h"

#include <array>
#include <QFile>
#include <vorbis/codec.h>

namespace {

struct Key {
    const char* name;
    QString OGGTag::*value;
};

// Read: in the record's order; written: in the order below.
const std::array<Key, 7> kReadKeys{{{"album", &OGGTag::Album},
                                    {"title", &OGGTag::Title},
                                    {"artist", &OGGTag::Artist},
                                    {"comment", &OGGTag::Comment},
                                    {"genre", &OGGTag::Genre},
                                    {"date", &OGGTag::Year},
                                    {"tracknumber", &OGGTag::Track}}};
const std::array<Key, 7> kWriteKeys{{{"Title=", &OGGTag::Title},
                                     {"Artist=", &OGGTag::Artist},
                                     {"Album=", &OGGTag::Album},
                                     {"TrackNumber=", &OGGTag::Track},
                                     {"Date=", &OGGTag::Year},
                                     {"Genre=", &OGGTag::Genre},
                                     {"Comment=", &OGGTag::Comment}}};

QString CannotOpen(const QString& fileName, const QString& reason) {
    return QStringLiteral("Cannot open %1: %2").arg(fileName, reason);
}

QString CannotWrite(const QString& reason) {
    return reason.isEmpty() ? QStringLiteral("Cannot write comments")
                            : QStringLiteral("Cannot write comments: %1").arg(reason);
}

} // namespace

bool OGGTag::operator==(const OGGTag& other) const {
    for (const Key& key : kReadKeys)
        if (this->*key.value != other.*key.value)
            return false;
    return true;
}

bool WriteOggTag(const QString& fileName, const OGGTag& tag) {
    TagFileRewrite rewrite(fileName);
    if (!rewrite.open())
        throw TagError(CannotOpen(fileName, rewrite.errorString()));
    OggCommentEditor editor;
    if (!editor.open(rewrite.original()) || !editor.rewritable())
        throw TagError(CannotOpen(fileName, editor.lastError()));

    vorbis_comment* block = editor.comments();
    vorbis_comment_clear(block);
    for (const Key& key : kWriteKeys) {
        const QString& value = tag.*key.value;
        if (!value.isEmpty())
            vorbis_comment_add(block, (key.name + value).toUtf8().constData());
    }
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
    OGGTag tag;
    const TStrComments comments(editor.commentTexts());
    for (const TStrComment& entry : comments.entries()) {
        const QString name = entry.Name.toLower();
        for (const Key& key : kReadKeys) {
            if (name == QLatin1String(key.name)) {
                tag.*key.value = entry.Value;
                break;
            }
        }
    }
    for (const Key& key : kReadKeys)
        tag.*key.value = TagText::Trimmed(tag.*key.value);
    return tag;
}

OGGTag ReadOggTag(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw TagError(CannotOpen(fileName, file.errorString()));
    return ReadOggTagFrom(file);
}
