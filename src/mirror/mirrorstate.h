#pragma once

#include <functional>
#include <optional>
#include <QString>

// What a mirror remembers of the outputs it made, kept in an SQLite file in
// the mirror's output folder: for each source, the output it became, the
// source's size and time as they were read before it was converted, and
// the settings it was made with. Each change is its own transaction, so a
// run killed at any moment keeps every file it finished.
//
// A file is marked started before its output is made and finished once it
// has its name; a started record whose output exists and is newer than the
// start tells a run killed in between that the file was finished.
class MirrorState {
public:
    struct Record {
        QString source;      // the source's full path
        QString output;      // the output's full path; empty when not known yet
        qint64 size = 0;     // of the source
        qint64 modified = 0; // of the source, nanoseconds since the epoch
        QString settings;    // what the output was made with (format and encoder)
        bool finished = false;
        qint64 started = 0; // milliseconds since the epoch, when it was started
    };

    // The name of the state file inside the output folder.
    static const char* const FileName;

    // Opens the state in folder, or makes a new one. A state file that cannot
    // be read is renamed aside and a new one begun: setAside() says so.
    // Raises MirrorError when no state can be kept there at all.
    explicit MirrorState(const QString& folder);
    ~MirrorState();
    MirrorState(const MirrorState&) = delete;
    MirrorState& operator=(const MirrorState&) = delete;

    // Empty, or the message for the user about a damaged state set aside.
    const QString& setAside() const { return m_setAside; }

    std::optional<Record> find(const QString& source) const;
    // Replaces what is recorded for record.source.
    void save(const Record& record);
    void forget(const QString& source);
    // Every record, one at a time; each(record) may not change the state.
    void forEach(const std::function<void(const Record&)>& each) const;

private:
    void open();
    QString m_path;
    QString m_connection;
    QString m_setAside;
};
