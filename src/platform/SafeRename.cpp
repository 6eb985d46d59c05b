#include "platform/SafeRename.h"

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace vorlin {

namespace {

std::function<void(const QByteArray&)>& beforeRenameHook()
{
    static std::function<void(const QByteArray&)> hook;
    return hook;
}

bool& forceLinkFallback()
{
    static bool force = false;
    return force;
}

QString shown(const QByteArray& name)
{
    return QFile::decodeName(name);
}

Failure refused(int err, const QByteArray& oldName, const QByteArray& newName, const QString& why)
{
    return Failure{
        err, QStringLiteral("Cannot rename \"%1\" to \"%2\": %3.").arg(shown(oldName), shown(newName), why)};
}

// Why a rename failed with err, in words.
QString reason(int err, const QByteArray& oldName)
{
    switch (err) {
    case EEXIST:
    case ENOTEMPTY:
        return QStringLiteral("a file of that name already exists");
    case ENOENT:
        return QStringLiteral("\"%1\" does not exist").arg(shown(oldName));
    case ENAMETOOLONG:
        return QStringLiteral("the new name is too long");
    case EISDIR:
        return QStringLiteral("\"%1\" is now a folder, not a drawing").arg(shown(oldName));
    case EACCES:
    case EPERM:
        return QStringLiteral("access is denied");
    case EROFS:
        return QStringLiteral("the drive is read-only");
    case ENOSPC:
        return QStringLiteral("the drive is full");
    default: {
        QString why = QString::fromLocal8Bit(std::strerror(err));
        if (!why.isEmpty())
            why[0] = why[0].toLower();
        return why;
    }
    }
}

Failure fromError(int err, const QByteArray& oldName, const QByteArray& newName)
{
    return refused(err, oldName, newName, reason(err, oldName));
}

std::optional<Failure> checkName(const QByteArray& name, const QByteArray& oldName, const QByteArray& newName)
{
    if (name.isEmpty())
        return refused(EINVAL, oldName, newName, QStringLiteral("a file name cannot be empty"));
    if (name == "." || name == "..")
        return refused(EINVAL, oldName, newName,
                       QStringLiteral("\"%1\" is not a file name").arg(shown(name)));
    if (name.contains('/'))
        return refused(EINVAL, oldName, newName,
                       QStringLiteral("a file name cannot hold \"/\" (\"%1\")").arg(shown(name)));
    if (name.contains('\0'))
        return refused(EINVAL, oldName, newName, QStringLiteral("a file name cannot hold a zero byte"));
    return std::nullopt;
}

// Both names must be bare file names of the one folder.
std::optional<Failure> checkNames(const QByteArray& oldName, const QByteArray& newName)
{
    if (auto failure = checkName(oldName, oldName, newName))
        return failure;
    return checkName(newName, oldName, newName);
}

QByteArray joined(QByteArray folder, const QByteArray& name)
{
    if (!folder.endsWith('/'))
        folder += '/';
    return folder + name;
}

#ifndef Q_OS_WIN

// One folder, opened once, so that every step resolves both names in the same place even if the
// folder is moved meanwhile.
class Folder
{
public:
    explicit Folder(const QByteArray& path) : m_path(path)
    {
#ifdef O_PATH
        m_fd = ::open(path.constData(), O_DIRECTORY | O_PATH | O_CLOEXEC);
#else
        m_fd = ::open(path.constData(), O_DIRECTORY | O_RDONLY | O_CLOEXEC);
#endif
    }
    ~Folder()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    int fd() const
    {
        return m_fd;
    }

    // Renames from to to within the folder; fails with EEXIST when to exists. Returns 0 or errno.
    int renameNoReplace(const QByteArray& from, const QByteArray& to) const
    {
        if (auto& hook = beforeRenameHook())
            hook(joined(m_path, to));
        if (!forceLinkFallback()) {
            if (systemRename(from, to) == 0)
                return 0;
            const int err = errno;
            if (err != EINVAL && err != ENOSYS && err != EOPNOTSUPP)
                return err;
        }
        // The file system cannot rename without replacing: a new link fails when the name is
        // taken, so link then unlink never replaces either.
        if (::linkat(m_fd, from.constData(), m_fd, to.constData(), 0) != 0)
            return errno;
        if (::unlinkat(m_fd, from.constData(), 0) != 0) {
            const int err = errno;
            ::unlinkat(m_fd, to.constData(), 0);
            return err;
        }
        return 0;
    }

    // Whether both names are the same file (a change of letter case on a file system that ignores
    // it, or two links to one file).
    bool sameFile(const QByteArray& a, const QByteArray& b) const
    {
        struct stat sa
        {};
        struct stat sb
        {};
        return ::fstatat(m_fd, a.constData(), &sa, AT_SYMLINK_NOFOLLOW) == 0 &&
               ::fstatat(m_fd, b.constData(), &sb, AT_SYMLINK_NOFOLLOW) == 0 && sa.st_dev == sb.st_dev &&
               sa.st_ino == sb.st_ino;
    }

private:
    int systemRename(const QByteArray& from, const QByteArray& to) const
    {
#if defined(Q_OS_LINUX) && defined(SYS_renameat2)
        return int(
            ::syscall(SYS_renameat2, m_fd, from.constData(), m_fd, to.constData(), 1 /* RENAME_NOREPLACE */));
#elif defined(Q_OS_MACOS)
        return ::renameatx_np(m_fd, from.constData(), m_fd, to.constData(), RENAME_EXCL);
#else
        errno = ENOSYS;
        return -1;
#endif
    }

    QByteArray m_path;
    int m_fd = -1;
};

// A name in the folder that nothing else uses: the first step of a change of letter case.
QByteArray temporaryName()
{
    return ".vorlin-rename-" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
}

std::optional<Failure> renameThroughTemporary(const Folder& folder, const QByteArray& oldName,
                                              const QByteArray& newName)
{
    QByteArray temporary;
    int err = EEXIST;
    for (int attempt = 0; attempt < 10 && err == EEXIST; ++attempt) {
        temporary = temporaryName();
        err = folder.renameNoReplace(oldName, temporary);
    }
    if (err != 0)
        return fromError(err, oldName, newName);
    err = folder.renameNoReplace(temporary, newName);
    if (err == 0)
        return std::nullopt;
    if (folder.renameNoReplace(temporary, oldName) != 0)
        return refused(
            err, oldName, newName,
            QStringLiteral("%1; the file is now called \"%2\"").arg(reason(err, oldName), shown(temporary)));
    return fromError(err, oldName, newName);
}

#endif // !Q_OS_WIN

} // namespace

void setBeforeRenameHookForTesting(std::function<void(const QByteArray& target)> hook)
{
    beforeRenameHook() = std::move(hook);
}

void setForceLinkFallbackForTesting(bool force)
{
    forceLinkFallback() = force;
}

#ifdef Q_OS_WIN

std::optional<Failure> renameNoReplace(const QString& folder, const QByteArray& oldName,
                                       const QByteArray& newName)
{
    if (auto failure = checkNames(oldName, newName))
        return failure;
    if (oldName.contains('\\') || newName.contains('\\'))
        return refused(EINVAL, oldName, newName, QStringLiteral("a file name cannot hold \"\\\""));
    const QByteArray base = QFile::encodeName(folder);
    const QByteArray target = joined(base, newName);
    if (auto& hook = beforeRenameHook())
        hook(target);
    // Without MOVEFILE_REPLACE_EXISTING an existing target is refused; a change of letter case
    // only is a rename of the same file and succeeds.
    const std::wstring from = QFile::decodeName(joined(base, oldName)).toStdWString();
    const std::wstring to = QFile::decodeName(target).toStdWString();
    if (MoveFileExW(from.c_str(), to.c_str(), 0))
        return std::nullopt;
    switch (GetLastError()) {
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
        return fromError(EEXIST, oldName, newName);
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return fromError(ENOENT, oldName, newName);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return fromError(EACCES, oldName, newName);
    default:
        return fromError(EIO, oldName, newName);
    }
}

#else

std::optional<Failure> renameNoReplace(const QString& folder, const QByteArray& oldName,
                                       const QByteArray& newName)
{
    if (auto failure = checkNames(oldName, newName))
        return failure;

    const Folder dir(QFile::encodeName(folder));
    if (dir.fd() < 0) {
        const int err = errno;
        return refused(err, oldName, newName,
                       QStringLiteral("the folder \"%1\" cannot be opened (%2)")
                           .arg(folder, QString::fromLocal8Bit(std::strerror(err))));
    }

    struct stat source
    {};
    if (::fstatat(dir.fd(), oldName.constData(), &source, AT_SYMLINK_NOFOLLOW) != 0)
        return fromError(errno, oldName, newName);
    // Only files are renamed: a folder that has taken the picked file's place is left alone.
    if (S_ISDIR(source.st_mode))
        return fromError(EISDIR, oldName, newName);
    if (oldName == newName)
        return std::nullopt;

    const int err = dir.renameNoReplace(oldName, newName);
    if (err == 0)
        return std::nullopt;
    if (err == EEXIST && dir.sameFile(oldName, newName))
        return renameThroughTemporary(dir, oldName, newName);
    return fromError(err, oldName, newName);
}

#endif

} // namespace vorlin
