#include "support/nullcomponents.h"

#include "components/componenterror.h"

void NullTrackRipper::rip(const Disc&, RipRange, std::shared_ptr<RipSink>) {
    throw ComponentError(QStringLiteral("No CD drive is available."));
}

std::unique_ptr<TrackStream> NullTrackRipper::open(const Disc&, RipRange) {
    throw ComponentError(QStringLiteral("No CD drive is available."));
}

void NullVideoFile::open(const QString& path) {
    throw ComponentError(QStringLiteral("Cannot decode %1: no decoder is available.").arg(path));
}

void NullVideoFile::createOutput(const QString& path, int) {
    throw ComponentError(QStringLiteral("Cannot create %1: no encoder is available.").arg(path));
}
