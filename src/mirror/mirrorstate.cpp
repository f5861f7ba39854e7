#include "mirror/mirrorstate.h"

#include "mirror/mirrorerror.h"

#include <atomic>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <sys/stat.h>

const char* const MirrorState::FileName = ".orvelle-mirror.sqlite";

namespace {

constexpr int SchemaVersion = 1;

QString nextConnectionName() {
    static std::atomic<int> count{0};
    return QStringLiteral("orvelle-mirror-%1").arg(++count);
}

// A query that must work; raises with the database's words when it does not.
QSqlQuery run(QSqlDatabase db, const QString& text, const QVariantList& values = {}) {
    QSqlQuery query(db);
    // Every read is one pass: no copy of the rows is kept.
    query.setForwardOnly(true);
    if (!query.prepare(text))
        throw MirrorError(query.lastError().text());
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw MirrorError(query.lastError().text());
    return query;
}

MirrorState::Record recordOf(const QSqlQuery& query) {
    MirrorState::Record record;
    record.source = query.value(0).toString();
    record.output = query.value(1).toString();
    record.size = query.value(2).toLongLong();
    record.modified = query.value(3).toLongLong();
    record.settings = query.value(4).toString();
    record.finished = query.value(5).toInt() != 0;
    record.started = query.value(6).toLongLong();
    return record;
}

const QString Columns =
    QStringLiteral("source, output, size, modified, settings, finished, started");

} // namespace

MirrorState::MirrorState(const QString& folder)
    : m_path(folder + QLatin1Char('/') + QLatin1String(FileName)),
      m_connection(nextConnectionName()) {
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        throw MirrorError(QStringLiteral("Qt's SQLite driver is not installed (Debian package "
                                         "libqt6sql6-sqlite); the mirror cannot keep its state."));
    // SQLite opens by name: a link planted there is not followed.
    struct stat info;
    if (::lstat(QFile::encodeName(m_path).constData(), &info) == 0 && !S_ISREG(info.st_mode))
        throw MirrorError(
            QStringLiteral("%1 is not a plain file; the mirror keeps its state there.")
                .arg(m_path));
    try {
        open();
    } catch (const MirrorError& damaged) {
        QSqlDatabase::removeDatabase(m_connection);
        const QString aside =
            m_path + QStringLiteral(".damaged-") +
            QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
        if (!QFile::rename(m_path, aside))
            throw MirrorError(QStringLiteral("The mirror's state %1 cannot be read (%2) nor set "
                                             "aside.")
                                  .arg(m_path, damaged.message()));
        QFile::remove(m_path + QStringLiteral("-wal"));
        QFile::remove(m_path + QStringLiteral("-shm"));
        m_setAside = QStringLiteral("The mirror's state could not be read (%1); it was set aside "
                                    "as %2 and is made again from the files on disk.")
                         .arg(damaged.message(), aside);
        m_connection = nextConnectionName();
        open();
    }
}

MirrorState::~MirrorState() {
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

void MirrorState::open() {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_path);
    if (!db.open())
        throw MirrorError(db.lastError().text());
    const auto firstValue = [&db](const QString& text) {
        QSqlQuery query = run(db, text);
        const QVariant value = query.next() ? query.value(0) : QVariant();
        query.finish();
        return value;
    };
    if (firstValue(QStringLiteral("PRAGMA quick_check")).toString() != QLatin1String("ok"))
        throw MirrorError(QStringLiteral("the file is damaged"));
    const int found = firstValue(QStringLiteral("PRAGMA user_version")).toInt();
    // WAL keeps each commit cheap and a killed process loses no committed file.
    firstValue(QStringLiteral("PRAGMA journal_mode=WAL"));
    run(db, QStringLiteral("PRAGMA synchronous=NORMAL"));
    if (found == 0) {
        run(db, QStringLiteral("CREATE TABLE IF NOT EXISTS outputs (source TEXT PRIMARY KEY, "
                               "output TEXT, size INTEGER NOT NULL, modified INTEGER NOT "
                               "NULL, settings TEXT NOT NULL, finished INTEGER NOT NULL, started "
                               "INTEGER NOT NULL)"));
        run(db, QStringLiteral("PRAGMA user_version=%1").arg(SchemaVersion));
    } else if (found != SchemaVersion) {
        throw MirrorError(QStringLiteral("it was written by another version of Orvelle"));
    }
}

std::optional<MirrorState::Record> MirrorState::find(const QString& source) const {
    QSqlQuery query =
        run(QSqlDatabase::database(m_connection),
            QStringLiteral("SELECT %1 FROM outputs WHERE source = ?").arg(Columns), {source});
    if (!query.next())
        return std::nullopt;
    const Record record = recordOf(query);
    query.finish();
    return record;
}

void MirrorState::save(const Record& record) {
    run(QSqlDatabase::database(m_connection),
        QStringLiteral("INSERT OR REPLACE INTO outputs (%1) VALUES (?, ?, ?, ?, ?, ?, ?)")
            .arg(Columns),
        {record.source, record.output, record.size, record.modified, record.settings,
         record.finished ? 1 : 0, record.started});
}

void MirrorState::forget(const QString& source) {
    run(QSqlDatabase::database(m_connection),
        QStringLiteral("DELETE FROM outputs WHERE source = ?"), {source});
}

void MirrorState::forEach(const std::function<void(const Record&)>& each) const {
    QSqlQuery query = run(QSqlDatabase::database(m_connection),
                          QStringLiteral("SELECT %1 FROM outputs ORDER BY source").arg(Columns));
    while (query.next())
        each(recordOf(query));
}
