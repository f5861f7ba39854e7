#include "components/cdio/driveuse.h"

#include <mutex>
#include <QHash>

namespace {

std::mutex usesLock;
QHash<QString, int>& uses() {
    static QHash<QString, int> counts;
    return counts;
}

} // namespace

DriveUse::DriveUse(QString path) : m_path(std::move(path)) {
    const std::lock_guard<std::mutex> lock(usesLock);
    ++uses()[m_path];
}

DriveUse::~DriveUse() {
    const std::lock_guard<std::mutex> lock(usesLock);
    auto it = uses().find(m_path);
    if (it != uses().end() && --*it <= 0)
        uses().erase(it);
}

bool DriveUse::isBusy(const QString& path) {
    const std::lock_guard<std::mutex> lock(usesLock);
    return uses().contains(path);
}
