#pragma once

#include <cstddef>
#include <cstdio>
#include <QString>

// A file being written by one of Orvelle's encoders. Every failure raises
// ComponentError naming the file and the system's reason.
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Writes through the descriptor reserved for path (OutputReservation);
    // without one, creates the file or empties it, never through a link.
    void create(const QString& path);
    void write(const void* data, std::size_t size);
    // Overwrites bytes already written (a header filled in at the end), then
    // goes back to the end.
    void writeAt(long offset, const void* data, std::size_t size);
    // Flushes, syncs and closes; raises when the data did not all reach the disk.
    void close();
    // Closes and deletes the file: what is left after a failed start is no use to anyone.
    void discard();

    bool isOpen() const { return m_file != nullptr; }
    const QString& path() const { return m_path; }

private:
    [[noreturn]] void fail(const char* action, int error);

    std::FILE* m_file = nullptr;
    QString m_path;
};
