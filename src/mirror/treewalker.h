#pragma once

#include <deque>
#include <QString>
#include <set>
#include <utility>
#include <vector>

// Walks a folder tree one folder at a time, so that a library of any size
// costs one folder's listing and the folders still to enter, and the files
// found so far can be worked on before the walk ends. Links are followed; a
// folder reached a second time (a link loop, or a second link to it) is
// reported and not entered again. Hidden names (a leading dot) are passed over.
class TreeWalker {
public:
    struct File {
        QString path;     // the file's full path
        QString relative; // below the root: "A/B/01 x.flac"
        qint64 size = 0;
        qint64 modified = 0; // nanoseconds since the epoch
    };
    struct Problem {
        QString path;
        QString reason;
        bool unread = false; // files below path may exist that were not seen
    };
    // A folder by device and inode.
    using FolderId = std::pair<quint64, quint64>;

    // excluded: folders never entered (the mirror's own output folder).
    TreeWalker(const QString& root, std::set<FolderId> excluded = {});

    // Reads the next folder: its regular files, in name order, and what
    // could not be read. False once every folder was read.
    bool step(std::vector<File>* files, std::vector<Problem>* problems);
    bool done() const { return m_pending.empty(); }

    // The folder at path, or nothing when it cannot be looked at.
    static bool idOf(const QString& path, FolderId* id);

private:
    struct Pending {
        QByteArray path;
        QString relative; // ends in "/" unless empty
    };
    std::deque<Pending> m_pending; // entered last in, first out: depth first
    std::set<FolderId> m_seen;
    std::set<FolderId> m_excluded;
};
