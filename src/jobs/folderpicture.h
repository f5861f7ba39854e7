#pragma once

#include "values/tagextras.h"

#include <memory>
#include <QString>

class OutputFolder;

struct FolderPictureResult {
    enum class Outcome {
        Saved,        // path was written now
        AlreadyThere, // the folder had a folder picture; nothing was written
        NotSaved,     // error says why
    };
    Outcome outcome = Outcome::NotSaved;
    QString path;  // the folder picture written or found
    QString error; // for the rip log: "the cover is not a JPEG or PNG picture", ...
};

// Saves an album's cover once in its folder as "folder.jpg" ("folder.png"
// for a PNG), where file managers and players look for it. A folder that has
// either name already keeps it: nothing is overwritten, even a file that
// appears while this runs. The picture is written under a part file name
// and takes its name only when complete, so no half picture is left under
// it. Meant once per album; a later call finds the picture there. Never raises.
FolderPictureResult saveFolderPicture(const std::shared_ptr<const OutputFolder>& folder,
                                      const CoverArt& cover);
