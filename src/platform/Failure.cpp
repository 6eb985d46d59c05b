#include "Failure.h"

#include <cerrno>

namespace vorlin {

namespace {

// Errors that, on a drive's root, mean the drive itself is gone: no medium, unplugged, unmounted.
bool meansNoDevice(int err)
{
    switch (err) {
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
    case EIO:
#ifdef ENOMEDIUM
    case ENOMEDIUM:
#endif
#ifdef ESTALE
    case ESTALE:
#endif
        return true;
    default:
        return false;
    }
}

} // namespace

Failure Failure::fromErrno(int err, const QString& what, bool onDriveRoot)
{
    if (onDriveRoot && meansNoDevice(err))
        return {DeviceUnavailable, QStringLiteral("Device unavailable: \"%1\".").arg(what)};
    return {err, QStringLiteral("Cannot open \"%1\": %2.").arg(what, qt_error_string(err))};
}

} // namespace vorlin
