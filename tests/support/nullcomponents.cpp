#include "support/nullcomponents.h"

#include "components/componenterror.h"

void NullAudioFile::Open(const QString& path) {
    throw ComponentError(QStringLiteral("Cannot decode %1: no decoder is available.").arg(path));
}

void NullAudioFile::Create(const QString& path) {
    throw ComponentError(QStringLiteral("Cannot create %1: no encoder is available.").arg(path));
}

void NullCdGrabber::GrabToFile(const QString&, std::shared_ptr<IAudioFile2>) {
    throw ComponentError(QStringLiteral("No CD drive is available."));
}

void NullCdGrabber::BeginRawRead() {
    throw ComponentError(QStringLiteral("No CD drive is available."));
}

void NullVideoFile::Open(const QString& path) {
    throw ComponentError(QStringLiteral("Cannot decode %1: no decoder is available.").arg(path));
}

void NullVideoFile::CreateOutput(const QString& path, int) {
    throw ComponentError(QStringLiteral("Cannot create %1: no encoder is available.").arg(path));
}
