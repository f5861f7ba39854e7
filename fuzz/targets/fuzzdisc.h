#pragma once

#include "components/cdio/cddisc.h"
#include "components/cdio/cdiolock.h"
#include "fuzzfile.h"

#include <cstdlib>

// Opens the fuzzer's bytes as a disc image named name, as a disc-image drive
// does: it opens as no disc, or as a disc whose tracks lie in order inside the
// disc with short texts. libcdio reports a failed assertion and goes on; that
// counts as a crash. The sheets of the corpus name disc.bin: a second of silence.
inline void fuzzDiscImage(const char* name, const uint8_t* data, size_t size) {
    static const bool setUp = [] {
        { const CdioLock quiet; } // the first lock quiets the library
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString&) {
            if (type == QtCriticalMsg)
                std::abort();
        });
        static const QByteArray silence(75 * CdDisc::FrameBytes, '\0');
        fuzzFile("disc.bin", reinterpret_cast<const uint8_t*>(silence.constData()),
                 size_t(silence.size()));
        return true;
    }();
    (void)setUp;
    const std::unique_ptr<CdDisc> disc = CdDisc::open(CdDrive{fuzzFile(name, data, size), true});
    if (!disc)
        return;
    int previous = -1;
    for (const CdTrack& track : disc->contents(true).tracks) {
        if (track.start < previous || track.frames < 0 || track.title.size() > 4096)
            std::abort();
        previous = track.start;
    }
    disc->volume();
}
