#pragma once

#include <optional>
#include <QByteArray>
#include <QString>

// Answers of a disc database kept for later lookups of the same disc. They
// live in the user's private cache folder, one folder per service and per
// server, so that an answer of one server never stands for another's. Every
// folder and file is opened relative to that private folder without following
// links, so a link planted in its place is refused rather than written through.
class LookupCache {
public:
    // An answer younger than this is used without asking the server again.
    static constexpr qint64 FreshSeconds = 24 * 3600;

    // $XDG_CACHE_HOME/orvelle (~/.cache/orvelle), made with mode 700 when missing.
    static QString defaultRoot();

    struct Entry {
        QByteArray body;
        bool fresh = false;
    };

    // root: the private folder all caches live in, none when empty; service:
    // the folder of this database in it ("AccurateRip"); server: the address
    // answers come from.
    LookupCache(QString root, QString service, QString server);

    bool isOn() const { return !m_root.isEmpty(); }
    // The answer kept under key, fresh or not; none when nothing usable is kept.
    std::optional<Entry> read(const QString& key, qint64 maxBytes) const;
    // Keeps body under key in place of what was kept. A cache that cannot be
    // written costs only a later lookup, so failures are not raised.
    void write(const QString& key, const QByteArray& body) const;
    // Where this server's answers are kept, relative to the root.
    QString folder() const;

    // A key is a file name: letters, digits, ".", "_" and "-", not starting with ".".
    static bool isKey(const QString& key);

private:
    // The server's folder, opened; -1 when there is none and make is false, or when
    // a folder on the way is not the user's alone.
    int openFolder(bool make) const;

    QString m_root;
    QString m_service;
    QString m_serverFolder;
};
