#include "jobs/folderpicture.h"

#include "jobs/joberror.h"
#include "jobs/outputnaming.h"
#include "tags/coverart.h"

FolderPictureResult saveFolderPicture(const std::shared_ptr<const OutputFolder>& folder,
                                      const CoverArt& cover) {
    FolderPictureResult result;
    const CoverArt picture = CoverCheck::checked(cover.data, &result.error);
    if (picture.isEmpty())
        return result;
    const bool isPng = picture.mimeType == QLatin1String("image/png");
    const QString name = isPng ? QStringLiteral("folder.png") : QStringLiteral("folder.jpg");
    const QString other = isPng ? QStringLiteral("folder.jpg") : QStringLiteral("folder.png");
    result.path = folder->path() + name;
    // The picture's own name is held by the no-replace rename of its saving;
    // the other form is only looked for, so that a folder does not get both.
    if (folder->has(other)) {
        result.outcome = FolderPictureResult::Outcome::AlreadyThere;
        result.path = folder->path() + other;
        return result;
    }
    try {
        // Another row or program that saved one first keeps theirs.
        result.outcome = saveOutputFile(folder, name, picture.data, WhenTaken::Refuse).isEmpty()
                             ? FolderPictureResult::Outcome::AlreadyThere
                             : FolderPictureResult::Outcome::Saved;
    } catch (const JobError& e) {
        result.error = e.message();
    }
    return result;
}
