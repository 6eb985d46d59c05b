#pragma once

#include "Failure.h"

#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace vorlin {

// A drive: on Linux a mounted file system holding user files, keyed by its root path;
// on Windows a drive letter, keyed by the upper-case letter.
struct Drive
{
    QString key;   // "/" or "/media/stick"; "C" on Windows
    QString root;  // the root folder, ending in the separator
    QString label; // the volume label, may be empty

    // The text of the drive list entry: the root (lower-case letter and colon on Windows),
    // then the label when there is one.
    QString displayText() const;
};

namespace Drives {

// The drives of this machine, "/" (or the lowest drive letter) first.
QList<Drive> list();

// Test hook: replaces the list of drives until reset with std::nullopt.
void setListForTesting(std::optional<QList<Drive>> drives);

// The key of the drive that holds path: the drive whose root is the longest prefix of it.
QString keyOf(const QString& path);

// The root folder of the drive with this key.
QString rootOf(const QString& key);

// Linux: picks the drives out of the text of /proc/self/mountinfo: "/" first, then the other mounts
// of real storage sorted by path. labelOf gives the volume label of a mount source (a device);
// isFolder tells whether a local mount point is a folder, since single files can be bind-mounted.
QList<Drive> fromMountInfo(const QByteArray& mountInfo,
                           const std::function<QString(const QString& source)>& labelOf = {},
                           const std::function<bool(const QString& mountPoint)>& isFolder = {});

// Linux: the volume labels of the devices named in a folder like /dev/disk/by-label, keyed by
// the canonical path of the device each entry points to.
QHash<QString, QString> labelsByDevice(const QString& byLabelFolder = QStringLiteral("/dev/disk/by-label"));

} // namespace Drives

// The process's current directory, with native separators; a drive root ends in the separator.
QString currentDirectory();

// Makes the drive with this key current: chdir to its root. Returns a failure (68 when the drive
// is not ready) instead of changing anything.
std::optional<Failure> setCurrentDrive(const QString& key);

// Makes path the current directory.
std::optional<Failure> setCurrentDirectory(const QString& path);

} // namespace vorlin
