#include "Drives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <cerrno>

#ifdef Q_OS_WIN
#include <QStorageInfo>
#include <direct.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vorlin {

QString Drive::displayText() const
{
#ifdef Q_OS_WIN
    const QString base = key.toLower() + QLatin1Char(':');
#else
    const QString base = root;
#endif
    return label.isEmpty() ? base : base + QStringLiteral("  [") + label + QLatin1Char(']');
}

namespace {

std::optional<QList<Drive>>& testList()
{
    static std::optional<QList<Drive>> drives;
    return drives;
}

// Mount points, roots and sources in mountinfo write space, tab, newline and backslash as \ooo.
QByteArray decodeOctalEscapes(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < field.size()) {
            const char a = field[i + 1], b = field[i + 2], d = field[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && d >= '0' && d <= '7') {
                out += char(((a - '0') << 6) | ((b - '0') << 3) | (d - '0'));
                i += 3;
                continue;
            }
        }
        out += c;
    }
    return out;
}

// udev writes unsafe characters of a label as \xHH in the link names of /dev/disk/by-label.
QByteArray decodeHexEscapes(const QByteArray& name)
{
    QByteArray out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
            bool ok = false;
            const int value = name.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out += char(value);
                i += 3;
                continue;
            }
        }
        out += name[i];
    }
    return out;
}

struct Mount
{
    QString mountPoint;
    QString fsType;
    QString source;
};

// Kernel and service file systems that hold no user files.
bool isPseudoFileSystem(const QString& type)
{
    static const char* const pseudo[] = {
        "proc",        "sysfs",      "cgroup",      "cgroup2",         "devpts",        "devtmpfs",
        "tmpfs",       "ramfs",      "securityfs",  "pstore",          "bpf",           "debugfs",
        "tracefs",     "mqueue",     "hugetlbfs",   "fusectl",         "configfs",      "autofs",
        "binfmt_misc", "nsfs",       "squashfs",    "efivarfs",        "rpc_pipefs",    "nfsd",
        "selinuxfs",   "fuse.lxcfs", "fuse.portal", "fuse.gvfsd-fuse", "fuse.snapfuse",
    };
    return std::any_of(std::begin(pseudo), std::end(pseudo),
                       [&type](const char* name) { return type == QLatin1String(name); });
}

// File systems whose mount point is not probed: a hung server would hang the probe.
bool isRemoteFileSystem(const QString& type)
{
    return type.startsWith(QLatin1String("nfs")) || type == QLatin1String("cifs") ||
           type.startsWith(QLatin1String("smb")) || type == QLatin1String("ceph") ||
           type == QLatin1String("glusterfs") || type.startsWith(QLatin1String("fuse."));
}

bool isUnder(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

bool holdsUserFiles(const Mount& mount)
{
    const QString& type = mount.fsType;
    if (mount.mountPoint == QLatin1String("/"))
        return true;
    if (isPseudoFileSystem(type) || type == QLatin1String("overlay") || type == QLatin1String("rootfs"))
        return false;
    // The system's own trees; removable media mounted under /run/media are the user's.
    for (const char* system : {"/proc", "/sys", "/dev"})
        if (isUnder(mount.mountPoint, QLatin1String(system)))
            return false;
    if (isUnder(mount.mountPoint, QStringLiteral("/run")) &&
        !mount.mountPoint.startsWith(QLatin1String("/run/media/")))
        return false;
    return true;
}

QList<Mount> parseMounts(const QByteArray& mountInfo)
{
    QList<Mount> mounts;
    for (const QByteArray& line : mountInfo.split('\n')) {
        // id parent major:minor root mount-point options [optional...] - type source super-options
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf(QByteArray("-"), 6);
        if (dash < 0 || dash + 1 >= fields.size())
            continue;
        Mount mount;
        mount.mountPoint = QFile::decodeName(decodeOctalEscapes(fields[4]));
        mount.fsType = QString::fromLatin1(fields[dash + 1]);
        if (dash + 2 < fields.size())
            mount.source = QFile::decodeName(decodeOctalEscapes(fields[dash + 2]));
        if (mount.mountPoint.startsWith(QLatin1Char('/')))
            mounts.append(mount);
    }
    return mounts;
}

#ifndef Q_OS_WIN
bool isFolderOrUnknown(const QString& mountPoint)
{
    struct stat st;
    return ::stat(QFile::encodeName(mountPoint).constData(), &st) != 0 || S_ISDIR(st.st_mode);
}

QList<Drive> linuxDrives()
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    QByteArray text;
    if (file.open(QIODevice::ReadOnly))
        text = file.readAll();
    const QHash<QString, QString> labels = Drives::labelsByDevice();
    auto labelOf = [&labels](const QString& source) -> QString {
        if (labels.isEmpty() || !source.startsWith(QLatin1String("/dev/")))
            return {};
        const QString device = QFileInfo(source).canonicalFilePath();
        return labels.value(device.isEmpty() ? source : device);
    };
    return Drives::fromMountInfo(text, labelOf, isFolderOrUnknown);
}
#else
QList<Drive> windowsDrives()
{
    QList<Drive> drives;
    for (const QFileInfo& info : QDir::drives()) {
        const QString path = info.absolutePath();
        if (path.isEmpty() || !path.at(0).isLetter())
            continue;
        Drive drive;
        drive.key = path.left(1).toUpper();
        drive.root = drive.key + QStringLiteral(":\\");
        drive.label = QStorageInfo(drive.root).name();
        drives.append(drive);
    }
    return drives;
}
#endif

} // namespace

namespace Drives {

QList<Drive> fromMountInfo(const QByteArray& mountInfo, const std::function<QString(const QString&)>& labelOf,
                           const std::function<bool(const QString&)>& isFolder)
{
    // A later mount on the same point hides the earlier one.
    QList<Mount> visible;
    for (const Mount& mount : parseMounts(mountInfo)) {
        visible.removeIf([&](const Mount& m) { return m.mountPoint == mount.mountPoint; });
        visible.append(mount);
    }

    QList<Drive> drives;
    bool haveRoot = false;
    for (const Mount& mount : visible) {
        if (!holdsUserFiles(mount))
            continue;
        if (isFolder && !isRemoteFileSystem(mount.fsType) && !isFolder(mount.mountPoint))
            continue;
        Drive drive;
        drive.key = mount.mountPoint;
        drive.root = mount.mountPoint.endsWith(QLatin1Char('/')) ? mount.mountPoint
                                                                 : mount.mountPoint + QLatin1Char('/');
        if (labelOf)
            drive.label = labelOf(mount.source);
        haveRoot = haveRoot || drive.key == QLatin1String("/");
        drives.append(drive);
    }
    if (!haveRoot)
        drives.append(Drive{QStringLiteral("/"), QStringLiteral("/"), QString()});

    std::sort(drives.begin(), drives.end(), [](const Drive& a, const Drive& b) {
        const bool aRoot = a.key == QLatin1String("/"), bRoot = b.key == QLatin1String("/");
        if (aRoot != bRoot)
            return aRoot;
        return a.key < b.key;
    });
    return drives;
}

QHash<QString, QString> labelsByDevice(const QString& byLabelFolder)
{
    QHash<QString, QString> labels;
    const QDir dir(byLabelFolder);
    const QStringList names = dir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        const QString device = QFileInfo(dir.filePath(name)).canonicalFilePath();
        if (!device.isEmpty())
            labels.insert(device, QFile::decodeName(decodeHexEscapes(QFile::encodeName(name))));
    }
    return labels;
}

QList<Drive> list()
{
    if (testList())
        return *testList();
    // One user action asks for the drives several times (the drive list, the drive of a folder,
    // its root); read the system's list once and keep it until control returns to the event loop.
    static std::optional<QList<Drive>> cached;
    if (!cached) {
#ifdef Q_OS_WIN
        cached = windowsDrives();
#else
        cached = linuxDrives();
#endif
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
    return ::_wchdir(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()));
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
