#pragma once

#include "Failure.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

namespace vorlin {

// Sets the decoder's memory limit once at start-up: large enough for an 8000 by 6000 drawing,
// small enough that a header claiming absurd dimensions fails at once.
void configurePictureLoading();

// Loads a Windows bitmap (.bmp or .dib), deciding the format from the content. A missing, empty,
// truncated or unreadable file, or one too large, yields a failure that names the file.
std::optional<Failure> loadPicture(const QString& path, QImage& picture);
// The same for a path in the file system's own encoding, taken byte for byte, so that a name that
// is not valid UTF-8 (Linux) reaches exactly its file.
std::optional<Failure> loadPicture(const QByteArray& nativePath, QImage& picture);

} // namespace vorlin
