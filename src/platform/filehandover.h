#pragma once

#include <QObject>
#include <QStringList>

class QLocalServer;

// Files opened with Orvelle while it already runs: the second start hands
// them to the running window over a local socket beside the single-instance
// lock (the user's private folder) and ends. Both ends make sure that the
// other runs as the same user, and every name travels with its length.
class FileHandOver : public QObject {
    Q_OBJECT
public:
    // The socket beside the lock file `lockPath`; empty when there is no lock
    // path, and then send() and listen() fail.
    static QString socketPath(const QString& lockPath);
    // Sends `paths` to the running instance; false when none listens or the
    // listener is another user's.
    static bool send(const QString& socket, const QStringList& paths);

    explicit FileHandOver(QObject* parent = nullptr);
    ~FileHandOver() override;

    // Only the holder of the lock listens, so a socket found there is left from an ended run.
    bool listen(const QString& socket);

signals:
    void pathsReceived(const QStringList& paths);

private:
    void takeConnection();

    QLocalServer* m_server;
};
