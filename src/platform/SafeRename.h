#pragma once

#include "Failure.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

namespace vorlin {

// Renames oldName to newName within folder, never replacing an existing file and never copying.
// A change of letter case only goes through a temporary name in the same folder. Renaming a file
// to its own name succeeds and changes nothing. Names are bare file names in the native encoding.
std::optional<Failure> renameNoReplace(const QString& folder, const QByteArray& oldName,
                                       const QByteArray& newName);

// Test seam: called right before each rename system call, with the full target path.
void setBeforeRenameHookForTesting(std::function<void(const QByteArray& target)> hook);

// Test seam: while set, renames go the way used where the file system cannot rename without
// replacing (a new link, then removing the old name).
void setForceLinkFallbackForTesting(bool force);

} // namespace vorlin
