#include "components/cdio/cddisc.h"
#include "components/cdio/cdiolock.h"
#include "fuzzfile.h"

#include <cstdlib>

// Any cdrdao .toc sheet a disc-image drive names: it opens as no disc or as a
// disc whose tracks lie in order inside the disc, with short, printable texts.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        { const CdioLock setUp; } // the first lock quiets the library
        // libcdio reports a failed assertion and goes on; that is a crash.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString&) {
            if (type == QtCriticalMsg)
                std::abort();
        });
        // The track data the corpus sheets name: one second of silence.
        static const QByteArray silence(75 * CdDisc::FrameBytes, '\0');
        fuzzFile("disc.bin", reinterpret_cast<const uint8_t*>(silence.constData()),
                 size_t(silence.size()));
        return true;
    }();
    (void)quiet;
    const QString toc = fuzzFile("disc.toc", data, size);
    const std::unique_ptr<CdDisc> disc = CdDisc::open(CdDrive{toc, true});
    if (!disc)
        return 0;
    const DiscContents contents = disc->contents(true);
    int previous = -1;
    for (const CdTrack& track : contents.tracks) {
        if (track.start < previous || track.frames < 0 || track.title.size() > 4096)
            std::abort();
        previous = track.start;
    }
    disc->volume();
    return 0;
}
