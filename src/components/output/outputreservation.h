#pragma once

#include <memory>
#include <QString>
#include <sys/types.h>

// A folder Orvelle writes into, held open: the files it makes there are
// created, renamed and removed relative to this descriptor, so a folder that
// is moved, or replaced by a link, meanwhile is never followed elsewhere.
class OutputFolder {
public:
    // The folder at path, which the user chose (a link to it is followed).
    // Raises ComponentError.
    explicit OutputFolder(const QString& path);
    // The sub-folder name of parent, made when missing. A link in its place
    // is followed only when it is the user's own. Raises ComponentError.
    OutputFolder(const OutputFolder& parent, const QString& name);
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    int fd() const { return m_fd; }
    // Ends in "/"; for messages and for the paths the jobs report.
    const QString& path() const { return m_path; }
    // Whether anything, a dangling link included, has the name.
    bool has(const QString& name) const;

private:
    int m_fd = -1;
    QString m_path;
};

// A file being made in an output folder, from its exclusive creation to the
// rename that gives it its name: the audio, its tags, a log or a picture all
// go through its descriptor, and every change of name happens relative to the
// folder's descriptor, never through a name someone else could have swapped.
class ReservedFile {
public:
    // Creates name in folder exclusively (never through a link). Null, with
    // the error number in *error (EEXIST when the name is taken), when it cannot.
    static std::shared_ptr<ReservedFile> create(std::shared_ptr<const OutputFolder> folder,
                                                const QString& name, int* error);
    // A file that exists already (a tag write outside a job), opened once by
    // path; links on the way are followed, as the caller named it. A
    // read-only file is made writable for the time it is held. Null, with the
    // reason, when it cannot be opened.
    static std::shared_ptr<ReservedFile> openExisting(const QString& path, QString* error);
    ~ReservedFile();
    ReservedFile(const ReservedFile&) = delete;
    ReservedFile& operator=(const ReservedFile&) = delete;

    // Open for reading and writing; stays owned by the file.
    int fd() const { return m_fd; }
    const OutputFolder& folder() const { return *m_folder; }
    // Its path now, for messages.
    QString path() const;

    // A new, empty file beside it to rewrite it into (a tag that outgrows its
    // room), in place of one begun before: its descriptor, owned by this
    // file, or -1 with errno set.
    int createReplacement();
    // Removes a replacement that will not be used.
    void dropReplacement();
    // The replacement, complete and synced, takes the file's place and its
    // permissions: 0 or the error number.
    int useReplacement();
    // Gives the file the name `name` in its folder, never replacing anything:
    // 0 or the error number (EEXIST when the name is taken, ESTALE when the
    // file no longer has the name it was given).
    int rename(const QString& name);
    // Removes the file's name, when the name still belongs to this file.
    void remove();

private:
    ReservedFile(std::shared_ptr<const OutputFolder> folder, QString name, int fd, bool made);
    bool stillNamed(const QString& name, int fd) const;

    std::shared_ptr<const OutputFolder> m_folder;
    QString m_name;
    int m_fd = -1;
    const bool m_made; // created here, not found
    QString m_replacementName;
    int m_replacementFd = -1;
    mode_t m_restoreMode = 0; // a read-only file's own mode, given back at the end
};

// The files being made, by the path of their part file, so that the writers,
// the tag writers and the job find the one descriptor that reserved it.
namespace OutputReservation {

// Creates name in folder exclusively and holds it for its writer: 0, or the
// error number (EEXIST when the name is taken).
int reserve(const std::shared_ptr<const OutputFolder>& folder, const QString& name);
// The file held for path; null when none is.
std::shared_ptr<ReservedFile> find(const QString& path);
// The file held for path, no longer held; null when none was.
std::shared_ptr<ReservedFile> take(const QString& path);
// A descriptor to write (and read back) path: a second descriptor of the file
// held for it, at its start; else the file created, or emptied when it
// exists, but never through a symbolic link. The caller closes it. Raises
// ComponentError.
int openForWriting(const QString& path);
// A writer gives up: the file held for path is removed and let go of; a
// file not held is removed by its name.
void remove(const QString& path);

} // namespace OutputReservation
