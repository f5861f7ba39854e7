#pragma once

#include "cd/httpclient.h"
#include "checksums/ctdb.h"
#include "settings/settingkey.h"

// Section "CTDB": the second database rips are checked against.
namespace CtdbKeys {
inline constexpr TextKey Server{"CTDB", "server", "http://db.cuetools.net"};
// 0 keeps rips off the network.
inline constexpr BoolKey Lookup{"CTDB", "lookup", true};
} // namespace CtdbKeys

// Asks the CUETools database (CTDB) what the rips of a disc hold: one GET of
// lookup2.php with the disc's table of contents. A fuzzy lookup also names
// other pressings of the disc, which the sums find by their shift. Entries
// found are kept in the server's cache, as AccurateRip's are.
class CtdbClient : public HttpClient {
    Q_OBJECT
public:
    // A reply lists a few dozen pressings at most; one far larger is none.
    static constexpr qint64 MaxReplyBytes = 1 << 20;
    static constexpr int DefaultTimeoutMs = 15000;

    // server: e.g. "http://db.cuetools.net" (no trailing path); cacheRoot:
    // where caches live (LookupCache::defaultRoot()), none when empty.
    explicit CtdbClient(QString server, const QString& cacheRoot = {}, QObject* parent = nullptr);

    // Asynchronous: finished comes later, once. A lookup still running is
    // dropped and reports nothing.
    void lookup(const DiscLayout& layout);

    // The server of section "CTDB" of the settings file, as AccurateRip's is read.
    static QString serverFrom(const QString& settingsPath);

signals:
    // entries of this disc; notFound: the database knows no rip of it;
    // otherwise error says why there is no answer.
    void finished(const QVector<CtdbEntry>& entries, bool notFound, const QString& error);

private:
    void begin() override;
    void replied(const Reply& reply) override;
    bool isAnswer(const QByteArray& body) const override;
    void finish(const QVector<CtdbEntry>& entries, bool notFound, const QString& error);

    DiscLayout m_layout;
    CtdbDisc m_disc;
};
