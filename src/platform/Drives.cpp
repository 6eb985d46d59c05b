#include "Drives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTimer>
#include <algorithm>
#include <cerrno>

#ifdef Q_OS_WIN
#include <cstdlib>
#include <direct.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace vorlin {

namespace {

bool isDriveLetterKey(const QString& key)
{
    return key.size() == 1 && key.at(0).isLetter();
}

std::optional<QList<Drive>>& testList()
{
    static std::optional<QList<Drive>> drives;
    return drives;
}

bool isUnder(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// Qt's list already leaves out /dev, /proc and /sys and the file systems of size zero (proc,
// sysfs, cgroup, an automount not yet triggered...). These have a size but hold no user files:
// memory, package images (snaps are squashfs on a loop device), container layers, placeholders.
bool holdsUserFiles(const Volume& volume)
{
    static const char* const noUserFiles[] = {"tmpfs",  "squashfs",      "overlay",
                                              "autofs", "fuse.snapfuse", "fuse.lxcfs"};
    if (std::any_of(std::begin(noUserFiles), std::end(noUserFiles),
                    [&](const char* type) { return volume.type == type; }))
        return false;
    // The system's own mounts under /run; removable media mounted under /run/media are the user's.
    return !isUnder(volume.root, QStringLiteral("/run")) ||
           volume.root.startsWith(QLatin1String("/run/media/"));
}

std::optional<Drive> driveOf(const Volume& volume)
{
    const QString& root = volume.root;
    if (root.size() == 3 && root.at(0).isLetter() && root.endsWith(QLatin1String(":/"))) {
        const QString letter = root.left(1).toUpper();
        return Drive{letter, letter + QStringLiteral(":\\"), volume.label};
    }
    if (!root.startsWith(QLatin1Char('/')) || (root != QLatin1String("/") && !holdsUserFiles(volume)))
        return std::nullopt;
    return Drive{root, root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'), volume.label};
}

QList<Drive> systemDrives()
{
    QList<Volume> volumes;
    for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
#ifndef Q_OS_WIN
        // Qt also lists single files bind-mounted over others, as containers do with /etc/hosts.
        if (!QFileInfo(info.rootPath()).isDir())
            continue;
#endif
        volumes.append(Volume{info.rootPath(), info.fileSystemType(), info.name()});
    }
    return Drives::fromVolumes(volumes);
}

} // namespace

QString Drive::displayText() const
{
    const QString base = isDriveLetterKey(key) ? key.toLower() + QLatin1Char(':') : root;
    return label.isEmpty() ? base : base + QStringLiteral("  [") + label + QLatin1Char(']');
}

namespace Drives {

QList<Drive> fromVolumes(const QList<Volume>& volumes)
{
    QList<Drive> drives;
    bool letters = false;
    for (const Volume& volume : volumes) {
        const std::optional<Drive> drive = driveOf(volume);
        if (!drive)
            continue;
        letters = letters || isDriveLetterKey(drive->key);
        // Qt lists a folder twice when a later mount covers an earlier one; the folder shows the later.
        drives.removeIf([&](const Drive& d) { return d.key == drive->key; });
        drives.append(*drive);
    }
    const auto isRoot = [](const Drive& d) {
        return d.key == QLatin1String("/");
    };
    if (!letters && std::none_of(drives.begin(), drives.end(), isRoot))
        drives.append(Drive{QStringLiteral("/"), QStringLiteral("/"), QString()});

    std::sort(drives.begin(), drives.end(), [&](const Drive& a, const Drive& b) {
        if (isRoot(a) != isRoot(b))
            return isRoot(a);
        return a.key < b.key;
    });
    return drives;
}

QList<Drive> list()
{
    if (testList())
        return *testList();
    // One user action asks for the drives several times (the drive list, the drive of a folder,
    // its root); read the system's list once and keep it until control returns to the event loop.
    static std::optional<QList<Drive>> cached;
    if (!cached) {
        cached = systemDrives();
        QTimer::singleShot(0, [] { cached.reset(); });
    }
    return *cached;
}

void setListForTesting(std::optional<QList<Drive>> drives)
{
    testList() = std::move(drives);
}

QString keyOf(const QString& path)
{
    const QList<Drive> drives = list();
#ifdef Q_OS_WIN
    if (path.size() >= 2 && path.at(0).isLetter() && path.at(1) == QLatin1Char(':'))
        return path.left(1).toUpper();
    return drives.isEmpty() ? QStringLiteral("C") : drives.first().key;
#else
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
    QString best = QStringLiteral("/");
    for (const Drive& drive : drives) {
        const QString key = QDir::cleanPath(drive.key);
        if (key.size() > best.size() && isUnder(clean, key))
            best = drive.key;
    }
    return best;
#endif
}

QString rootOf(const QString& key)
{
    for (const Drive& drive : list())
        if (drive.key == key)
            return drive.root;
#ifdef Q_OS_WIN
    return key.left(1).toUpper() + QStringLiteral(":\\");
#else
    return key.endsWith(QLatin1Char('/')) ? key : key + QLatin1Char('/');
#endif
}

} // namespace Drives

QString currentDirectory()
{
    const QString path = QDir::toNativeSeparators(QDir::currentPath());
    if (path.isEmpty())
        return QDir::toNativeSeparators(QDir::rootPath());
    // A drive root is written with its separator, like the folder list writes it.
    const QString root = Drives::rootOf(Drives::keyOf(path));
    return root == path + QDir::separator() ? root : path;
}

namespace {

int changeDirectory(const QString& path)
{
#ifdef Q_OS_WIN
    const int result = ::_wchdir(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()));
    // A drive with no medium fails with ERROR_NOT_READY, which the C runtime reports as EACCES.
    if (result != 0 && _doserrno == ERROR_NOT_READY)
        errno = ENODEV;
    return result;
#else
    return ::chdir(QFile::encodeName(path).constData());
#endif
}

} // namespace

std::optional<Failure> setCurrentDrive(const QString& key)
{
    const QString root = Drives::rootOf(key);
    if (changeDirectory(root) != 0)
        return Failure::fromErrno(errno, QDir::toNativeSeparators(root), true);
    return std::nullopt;
}

std::optional<Failure> setCurrentDirectory(const QString& path)
{
    if (changeDirectory(path) != 0)
        return Failure::fromErrno(errno, QDir::toNativeSeparators(path));
    return std::nullopt;
}

} // namespace vorlin
