#pragma once

#include <QString>

namespace vorlin {

// A failure reported by an operation of the platform layer: a number and a description.
// Number 68 means the device (drive) is unavailable; other numbers carry the system's errno.
struct Failure
{
    static constexpr int DeviceUnavailable = 68;
    // A name that cannot be used as a file name; nothing on disk was touched.
    static constexpr int BadFileName = 52;

    int number = 0;
    QString description;

    // Maps a system error to a failure. Errors that mean "there is no such device or medium"
    // on a drive root become DeviceUnavailable when onDriveRoot is set. what names the file or folder.
    static Failure fromErrno(int err, const QString& what, bool onDriveRoot = false);
};

} // namespace vorlin
