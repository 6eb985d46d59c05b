#pragma once

#include "Failure.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace vorlin {

// A drive: on Linux a mounted file system holding user files, keyed by its root path;
// on Windows a drive letter, keyed by the upper-case letter.
struct Drive
{
    QString key;   // "/" or "/media/stick"; "C" on Windows
    QString root;  // the root folder, ending in the separator
    QString label; // the volume label, may be empty

    // The text of the drive list entry: the root (a drive letter lower-case with its colon), then
    // the label when there is one.
    QString displayText() const;
};

// A mounted volume as the system lists it, before it is judged to be a drive.
struct Volume
{
    QString root;    // with forward slashes: "/", "/media/me/STICK", "C:/"
    QByteArray type; // "ext4", "tmpfs", "NTFS"; empty on a drive with no medium
    QString label;
};

namespace Drives {

// The drives of this machine, "/" (or the lowest drive letter) first.
QList<Drive> list();

// Test hook: replaces the list of drives until reset with std::nullopt.
void setListForTesting(std::optional<QList<Drive>> drives);

// Picks the drives out of a list of volumes. Every drive letter is a drive, one without a medium
// too, in letter order. Otherwise "/" comes first, listed or not, then the other mounts of real
// storage by root path; a later mount on the same root hides the earlier one.
QList<Drive> fromVolumes(const QList<Volume>& volumes);

// The key of the drive that holds path: the drive whose root is the longest prefix of it.
QString keyOf(const QString& path);

// The root folder of the drive with this key.
QString rootOf(const QString& key);

} // namespace Drives

// The process's current directory, with native separators; a drive root ends in the separator.
QString currentDirectory();

// Makes the drive with this key current: chdir to its root. Returns a failure (68 when the drive
// is not ready) instead of changing anything.
std::optional<Failure> setCurrentDrive(const QString& key);

// Makes path the current directory.
std::optional<Failure> setCurrentDirectory(const QString& path);

} // namespace vorlin
