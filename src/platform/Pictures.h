#pragma once

#include "Failure.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

namespace vorlin {

// Sets the memory limit for whole pictures once at start-up: large enough for an 8000 by 6000
// drawing, small enough that a header claiming absurd dimensions fails at once.
void configurePictureLoading();

// Loads a whole Windows bitmap (.bmp or .dib), deciding the format from the content. A missing,
// empty, truncated or unreadable file, or one too large, yields a failure that names the file.
std::optional<Failure> loadPicture(const QString& path, QImage& picture);
// The same for a path in the file system's own encoding, taken byte for byte, so that a name that
// is not valid UTF-8 (Linux) reaches exactly its file.
std::optional<Failure> loadPicture(const QByteArray& nativePath, QImage& picture);
// Loads only the top left of the picture, as much of it as fits in topLeft (at least one pixel).
// Time and memory are bounded by that part, not by the picture, so that any drawing of up to
// 4 GiB of pixel data can be shown; a broken or cut-off file is refused all the same.
std::optional<Failure> loadPicture(const QByteArray& nativePath, QImage& picture, QSize topLeft);

} // namespace vorlin
