#include "components/cdio/cdiolock.h"

#include <QLoggingCategory>

#include <cdio/cdio.h>
#include <cdio/logging.h>

namespace {

// Off by default: the program reports failures itself. QT_LOGGING_RULES
// ("orvelle.cdio.warning=true") shows what the library says.
Q_LOGGING_CATEGORY(cdioLog, "orvelle.cdio", QtCriticalMsg)

std::recursive_mutex& libraryMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

// libcdio's own handler ends the program on an error; this one only reports.
void logMessage(cdio_log_level_t level, const char* message) {
    switch (level) {
    case CDIO_LOG_ASSERT:
        qCCritical(cdioLog, "%s", message);
        break;
    case CDIO_LOG_ERROR:
    case CDIO_LOG_WARN:
        qCWarning(cdioLog, "%s", message);
        break;
    default:
        qCDebug(cdioLog, "%s", message);
        break;
    }
}

} // namespace

CdioLock::CdioLock() : m_lock(libraryMutex()) {
    static bool setUp = false;
    if (setUp)
        return;
    setUp = true;
    // Messages below warnings are dropped before they reach the handler.
    cdio_loglevel_default = CDIO_LOG_WARN;
    cdio_log_set_handler(logMessage);
    cdio_init();
}

CdioLock::~CdioLock() = default;
