#pragma once

// Writes Windows bitmaps for tests, field by field, so that a test can break exactly one thing.

#include <QByteArray>
#include <QFile>
#include <QtEndian>

namespace vorlin::test {

inline QByteArray le(quint32 value, int size = 4)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    return QByteArray(bytes, size);
}

// A bitmap file with a 40-byte info header; extra (colour masks or table) lies between the header
// and the pixels. A negative height stores the top row first; compression 1 is RLE8, 3 masks.
inline QByteArray bmp(qint32 width, qint32 height, int bitCount, int compression = 0,
                      const QByteArray& extra = {}, const QByteArray& pixels = {}, quint32 clrUsed = 0)
{
    const quint32 start = 54 + quint32(extra.size());
    return "BM" + le(start + quint32(pixels.size())) + le(0) + le(start) + le(40) + le(width) + le(height) +
           le(1, 2) + le(bitCount, 2) + le(compression) + le(0) + le(2835) + le(2835) + le(clrUsed) + le(0) +
           extra + pixels;
}

// Writes bytes to a new file; returns its path, or an empty one where it cannot be written.
inline QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size() ? path
                                                                                                : QString();
}

} // namespace vorlin::test
