#include "auditdata/StagedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvex {

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// fsync of a path: the data and the size of a file, or the entries of a folder.
int syncPath(const QString& path, int flags) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int result = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return result;
}

// The mode a newly created file gets in this process.
mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

StagedFile::StagedFile(QString target, FileAccess access)
    : m_target(std::move(target)), m_access(access) {}

StagedFile::~StagedFile() {
    if (!m_published)
        discard();
}

bool StagedFile::open() {
    const QFileInfo target(m_target);
    m_file = std::make_unique<QTemporaryFile>(target.absolutePath() + QStringLiteral("/.") +
                                              target.fileName() + QStringLiteral(".XXXXXX"));
    m_file->setAutoRemove(false); // removed here, and never once it bears the target's name
    if (!m_file->open()) {
        m_error = m_file->errorString();
        m_file.reset();
        return false;
    }
    m_path = m_file->fileName();
    return true;
}

QIODevice& StagedFile::device() {
    return *m_file;
}

QString StagedFile::temporaryPath() const {
    return m_path;
}

bool StagedFile::sync() {
    if (m_path.isEmpty()) {
        m_error = QStringLiteral("The file was not created.");
        return false;
    }
    if (m_file && m_file->isOpen()) {
        if (!m_file->flush()) {
            m_error = m_file->errorString();
            return false;
        }
        m_file->close();
    }
    if (const int error = syncPath(m_path, O_RDONLY); error != 0) {
        m_error = systemError(error);
        return false;
    }
    return true;
}

bool StagedFile::publish() {
    const QByteArray from = QFile::encodeName(m_path);
    const QByteArray to = QFile::encodeName(m_target);
    struct stat existing {};
    mode_t mode = m_access == FileAccess::OwnerOnly ? mode_t(0600) : newFileMode();
    if (m_access == FileAccess::LikeTarget && ::stat(to.constData(), &existing) == 0)
        mode = existing.st_mode & 07777;
    if (::chmod(from.constData(), mode) != 0 ||
        std::rename(from.constData(), to.constData()) != 0) {
        m_error = systemError(errno);
        return false;
    }
    m_published = true;
    // The new name reaches the disk with its folder's entries; a file system that cannot sync
    // a folder writes them by itself.
    const int error = syncPath(QFileInfo(m_target).absolutePath(), O_RDONLY | O_DIRECTORY);
    if (error != 0 && error != EINVAL && error != ENOTSUP) {
        m_error = systemError(error);
        return false;
    }
    return true;
}

void StagedFile::discard() noexcept {
    if (m_file)
        m_file->close();
    m_file.reset();
    if (!m_path.isEmpty() && !m_published)
        QFile::remove(m_path);
    m_path.clear();
}

} // namespace quorvex
