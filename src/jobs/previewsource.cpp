#include "jobs/previewsource.h"

#include "jobs/progresstext.h"

int PreviewSource::progress() const {
    return progressHundredths(positionMs(), lengthMs());
}
