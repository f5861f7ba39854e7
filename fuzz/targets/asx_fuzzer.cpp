#include "components/componenterror.h"
#include "components/ffmpeg/asxplaylist.h"
#include "fuzzfile.h"

#include <cstdlib>
#include <QFileInfo>

// Any .asx playlist: either an entry that is an existing local file, or a
// ComponentError; never a crash, and never a network address.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A file an entry may point at, beside the playlist.
    static const QString media = fuzzFile("media.wma", reinterpret_cast<const uint8_t*>("x"), 1);
    const QString playlist = fuzzFile("list.asx", data, size);
    try {
        const QString entry = AsxPlaylist::firstLocalEntry(playlist);
        if (!QFileInfo::exists(entry) || entry.contains(QLatin1String("://")))
            std::abort();
    } catch (const ComponentError&) {
    }
    return 0;
}
