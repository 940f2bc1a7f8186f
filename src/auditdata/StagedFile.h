#pragma once

#include <QString>
#include <QTemporaryFile>
#include <memory>

namespace quorvex {

// Who may read a file the export leaves.
enum class FileAccess {
    LikeTarget, // the permissions of the file it replaces, else those a new file gets here
    OwnerOnly,  // the user alone (0600): a workbook left in the temporary folder to be opened
};

// A file written beside its target under a hidden temporary name and put in the target's place
// only when it is complete and on the disk: a failure, a cancel or the process ending never
// leaves half a file at the target, never replaces a good one, and a published file survives a
// power cut.
//
//   StagedFile file(target, FileAccess::LikeTarget);
//   file.open(); ... write to file.device() (or let a library write to temporaryPath()) ...
//   file.sync();    // flushed and fsynced, still under the temporary name
//   file.publish(); // renamed over the target, the folder fsynced
//
// The temporary file goes when the object does, unless it was published.
class StagedFile {
public:
    StagedFile(QString target, FileAccess access);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Creates the temporary file, open for writing. False: errorString() says why.
    bool open();
    QIODevice& device();
    QString temporaryPath() const;

    // Writes everything to the disk (whether written through device() or to temporaryPath() by
    // someone else) and closes the device. False: errorString() says why.
    bool sync();
    // Puts the synced file in the target's place and makes the rename itself durable. False:
    // errorString() says why; the target is then as it was, or already the new file when only
    // the folder could not be synced.
    bool publish();
    // Removes the temporary file; the target stays as it was.
    void discard() noexcept;

    const QString& errorString() const { return m_error; }

private:
    QString m_target;
    FileAccess m_access;
    std::unique_ptr<QTemporaryFile> m_file;
    QString m_path;
    QString m_error;
    bool m_published = false;
};

} // namespace quorvex
