#pragma once

// Writes Windows bitmaps for tests, field by field, so that a test can break exactly one thing.

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QList>
#include <QtEndian>
#include <optional>

namespace vorlin::test {

inline QByteArray le(quint32 value, int size = 4)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    return QByteArray(bytes, size);
}

// A picture whose neighbouring pixels differ; with colours, an indexed one with that many colours.
inline QImage pattern(int w, int h, int colours = 0)
{
    QImage image(w, h, colours ? QImage::Format_Indexed8 : QImage::Format_RGB32);
    for (int i = 0; i < colours; ++i)
        image.setColor(i, qRgb(i, 255 - i, (i * 37) & 0xff));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y,
                           colours ? uint((x + 2 * y) % colours)
                                   : qRgb((x * 7 + y) & 0xff, (y * 5 + x * 3) & 0xff, (x ^ y) & 0xff));
    return image;
}

// One bitmap file with a 40-byte (or longer) header, field by field.
struct Bmp
{
    quint32 infoSize = 40;
    qint32 width = 0;
    qint32 height = 0; // negative: rows stored top row first
    quint16 bitCount = 24;
    quint32 compression = 0; // 0 none, 1 RLE8, 2 RLE4, 3 colour masks
    quint32 clrUsed = 0;
    QByteArray masks;   // red, green, blue (and alpha), 4 bytes each
    QByteArray palette; // 4 bytes an entry
    QByteArray pixels;

    QByteArray head() const
    {
        QByteArray info = le(infoSize) + le(width) + le(height) + le(1, 2) + le(bitCount, 2) +
                          le(compression) + le(0) + le(2835) + le(2835) + le(clrUsed) + le(0);
        info = (info + masks.left(qMax(0, int(infoSize) - 40))).leftJustified(infoSize, '\0');
        if (infoSize == 40)
            info += masks;
        const quint32 start = quint32(14 + info.size() + palette.size());
        return "BM" + le(start + quint32(pixels.size())) + le(0) + le(start) + info + palette;
    }
    QByteArray bytes() const { return head() + pixels; }
};

// image as a bitmap of 1, 2, 4 or 8 bits a pixel (from an indexed image) or 24.
inline Bmp encode(const QImage& image, int bitCount = 24)
{
    Bmp b;
    b.width = image.width();
    b.height = image.height();
    b.bitCount = quint16(bitCount);
    for (const QRgb c : image.colorTable())
        b.palette += le(c & 0xffffff);
    if (bitCount <= 8 && image.colorCount() < 1 << bitCount)
        b.clrUsed = quint32(image.colorCount());
    const int stride = (image.width() * bitCount + 31) / 32 * 4;
    for (int y = image.height() - 1; y >= 0; --y) {
        QByteArray row(stride, '\0');
        for (int x = 0; x < image.width(); ++x) {
            const int at = x * bitCount / 8;
            if (bitCount <= 8)
                row[at] = char(row[at] | image.pixelIndex(x, y) << (8 - bitCount - x * bitCount % 8));
            else
                row.replace(at, 3, le(image.pixel(x, y), 3));
        }
        b.pixels += row;
    }
    return b;
}

// One row of 16- or 32-bit values with colour masks, in a header of infoSize bytes.
inline Bmp maskedRow(int bitCount, const QList<quint32>& masks, const QList<quint32>& values,
                     quint32 infoSize = 40)
{
    Bmp b;
    b.infoSize = infoSize;
    b.width = int(values.size());
    b.height = 1;
    b.bitCount = quint16(bitCount);
    b.compression = 3;
    for (const quint32 mask : masks)
        b.masks += le(mask);
    for (const quint32 value : values)
        b.pixels += le(value, bitCount / 8);
    b.pixels = b.pixels.leftJustified((b.pixels.size() + 3) / 4 * 4, '\0');
    return b;
}

// A 2 by |height| bitmap of 8 bits a pixel (pattern(2, 1, 2)'s colours) holding the given RLE8 data.
inline Bmp rle8(const QByteArray& data, int height = 1)
{
    Bmp b = encode(pattern(2, 1, 2), 8);
    b.height = height;
    b.compression = 1;
    b.pixels = data;
    return b;
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace vorlin::test
