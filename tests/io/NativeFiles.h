#pragma once

// Files named byte for byte, as the file system holds them: QFile would re-encode a name that is
// not valid UTF-8.

#include <QByteArray>
#include <QFile>
#include <QMap>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlin::test {

// A folder's entries by exact name, each with its content, or "<not a file>".
using Files = QMap<QByteArray, QByteArray>;

inline bool writeNative(const QByteArray& path, const QByteArray& content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool written =
        fd >= 0 && ::write(fd, content.constData(), size_t(content.size())) == content.size();
    return fd >= 0 && ::close(fd) == 0 && written;
}

// Every entry of a folder, so that a test can tell that nothing at all changed.
inline Files snapshot(const QString& folder)
{
    Files entries;
    const QByteArray base = QFile::encodeName(folder) + '/';
    DIR* dir = ::opendir(base.constData());
    while (const dirent* entry = dir ? ::readdir(dir) : nullptr) {
        const QByteArray name(entry->d_name), path = base + name;
        struct stat st = {};
        QFile file;
        const int fd = ::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode)
                           ? ::open(path.constData(), O_RDONLY | O_CLOEXEC)
                           : -1;
        if (name != "." && name != "..")
            entries.insert(name, fd >= 0 && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)
                                     ? file.readAll()
                                     : QByteArray("<not a file>"));
    }
    if (dir)
        ::closedir(dir);
    return entries;
}

} // namespace vorlin::test
