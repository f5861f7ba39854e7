#pragma once

#include "cd/discrecord.h"
#include "values/cdtoc.h"

#include <optional>
#include <QString>

// Discs found on a server, kept in an INI file of our own ("CDFreeDB.ini" in
// the configuration folder) so that a lookup can be answered without the
// network. One section per disc ID; the stored offsets tell apart two discs
// that share an ID.
class FreeDbCache {
public:
    static constexpr const char* FileName = "CDFreeDB.ini";

    explicit FreeDbCache(QString path);

    std::optional<DiscRecord> find(const CdToc& toc) const;
    // Raises IniWriteError when the file cannot be written.
    void store(const CdToc& toc, const DiscRecord& record);

private:
    QString m_path;
};
