#include "support/nullcomponents.h"

#include "components/componenterror.h"

void NullCdGrabber::grabToFile(const QString&, std::shared_ptr<AudioWriter>) {
    throw ComponentError(QStringLiteral("No CD drive is available."));
}

void NullCdGrabber::beginRawRead() {
    throw ComponentError(QStringLiteral("No CD drive is available."));
}

void NullVideoFile::open(const QString& path) {
    throw ComponentError(QStringLiteral("Cannot decode %1: no decoder is available.").arg(path));
}

void NullVideoFile::createOutput(const QString& path, int) {
    throw ComponentError(QStringLiteral("Cannot create %1: no encoder is available.").arg(path));
}
