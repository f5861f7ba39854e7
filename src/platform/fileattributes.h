#pragma once

#include <QString>

// Makes a file writable for the time of a tag write and gives its old
// permissions back afterwards, so that read-only files can be tagged.
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
    unsigned int m_mode = 0;
    bool m_changed = false;
};
