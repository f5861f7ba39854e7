#pragma once

#include <QString>
#include <sys/types.h>

// Makes a file writable for the time of a tag write and gives its old
// permissions (and owner, where allowed) back afterwards, so that read-only
// files can be tagged. The permissions are given to whatever file stands under
// the name at the end, so a replacement renamed over the original gets them too.
class WritableForTagging {
public:
    explicit WritableForTagging(const QString& path);
    ~WritableForTagging();
    WritableForTagging(const WritableForTagging&) = delete;
    WritableForTagging& operator=(const WritableForTagging&) = delete;

    // The permissions that will be given back (for a file that replaces the original).
    unsigned int savedMode() const { return m_mode; }

private:
    QString m_path;
    bool m_known = false;
    unsigned int m_mode = 0;
    uid_t m_uid = 0;
    gid_t m_gid = 0;
};
