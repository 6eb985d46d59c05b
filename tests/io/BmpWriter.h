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

inline QByteArray bgr(QRgb c)
{
    const char bytes[] = {char(qBlue(c)), char(qGreen(c)), char(qRed(c))};
    return QByteArray(bytes, 3);
}

inline QRgb patternColor(int x, int y)
{
    return qRgb((x * 7 + y) & 0xff, (y * 5 + x * 3) & 0xff, (x ^ y) & 0xff);
}

// A picture whose neighbouring pixels differ; with colours, an indexed one with that many colours.
inline QImage pattern(int w, int h, int colours = 0)
{
    QImage image(w, h, colours ? QImage::Format_Indexed8 : QImage::Format_RGB32);
    QList<QRgb> table;
    for (int i = 0; i < colours; ++i)
        table << qRgb(i, 255 - i, (i * 37) & 0xff);
    image.setColorTable(table);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, colours ? uint((x + 2 * y) % colours) : patternColor(x, y));
    return image;
}

// One bitmap file, field by field; bytes() joins the fields as a bitmap writer would.
struct Bmp
{
    QByteArray type = "BM";
    quint32 infoSize = 40; // 12 (core), 40, 52, 56, 108 or 124
    qint32 width = 0;
    qint32 height = 0; // negative: rows stored top row first
    quint16 planes = 1;
    quint16 bitCount = 24;
    quint32 compression = 0; // 0 none, 1 RLE8, 2 RLE4, 3 colour masks
    quint32 clrUsed = 0;
    QByteArray masks;   // red, green, blue (and alpha), 4 bytes each
    QByteArray palette; // 4 bytes an entry; the 12-byte header keeps 3 of them
    QByteArray pixels;
    std::optional<quint32> offBits; // by default right after the palette

    QByteArray head() const
    {
        QByteArray info = le(infoSize);
        QByteArray table = palette;
        if (infoSize == 12) {
            info += le(quint16(width), 2) + le(quint16(height), 2) + le(planes, 2) + le(bitCount, 2);
            table.clear();
            for (qsizetype i = 0; i < palette.size(); i += 4)
                table += palette.mid(i, 3);
        } else {
            info += le(width) + le(height) + le(planes, 2) + le(bitCount, 2) + le(compression) + le(0) +
                    le(2835) + le(2835) + le(clrUsed) + le(0);
            info = (info + masks.left(qMax(0, int(infoSize) - 40))).leftJustified(infoSize, '\0');
            if (infoSize == 40)
                info += masks;
        }
        const quint32 start = quint32(14 + info.size() + table.size());
        return type.left(2) + le(start + quint32(pixels.size())) + le(0) + le(offBits.value_or(start)) +
               info + table;
    }
    QByteArray bytes() const { return head() + pixels; }
};

// image as a bitmap of 1, 4 or 8 bits a pixel (from an indexed image), 24, or 32 with colour masks.
inline Bmp encode(const QImage& image, int bitCount = 24, bool topDown = false)
{
    Bmp b;
    b.width = image.width();
    b.height = topDown ? -image.height() : image.height();
    b.bitCount = quint16(bitCount);
    for (const QRgb c : image.colorTable())
        b.palette += bgr(c) + '\0';
    if (bitCount <= 8 && image.colorCount() < 1 << bitCount)
        b.clrUsed = quint32(image.colorCount());
    if (bitCount == 32) {
        b.compression = 3;
        b.masks = le(0xff0000) + le(0xff00) + le(0xff);
    }
    const int stride = (image.width() * bitCount + 31) / 32 * 4;
    for (int r = 0; r < image.height(); ++r) {
        const int y = topDown ? r : image.height() - 1 - r;
        QByteArray row(stride, '\0');
        for (int x = 0; x < image.width(); ++x) {
            const int at = x * bitCount / 8;
            if (bitCount <= 8)
                row[at] = char(row[at] | image.pixelIndex(x, y) << (8 - bitCount - x * bitCount % 8));
            else
                row.replace(at, 3, bgr(image.pixel(x, y)));
        }
        b.pixels += row;
    }
    return b;
}

// One row of 16- or 32-bit pixel values with colour masks, in a header of infoSize bytes (the masks
// follow a 40-byte one).
inline Bmp maskedRow(int bitCount, const QList<quint32>& masks, const QList<quint32>& values,
                     quint32 infoSize)
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

// A bitmap of 8 (RLE8) or 4 (RLE4) bits a pixel whose pixels are the given run-length data.
inline Bmp runLengths(int w, int h, int bitCount, const QByteArray& data)
{
    Bmp b = encode(pattern(w, qAbs(h), 1 << bitCount), bitCount);
    b.height = h;
    b.compression = bitCount == 8 ? 1 : 2;
    b.pixels = data;
    return b;
}

// Rows, bottom first: three of 10, then 1 2 3 as they are; skip two, two of 7; six of 5. The
// palette indexes it decodes to (6 by 3), top row first, follow.
inline const QByteArray rle8Data("\x03\x0a\x00\x03\x01\x02\x03\x00\x00\x00"
                                 "\x00\x02\x02\x00\x02\x07\x00\x00"
                                 "\x06\x05\x00\x01",
                                 22);
inline const QList<QList<int>> rle8Rows{{5, 5, 5, 5, 5, 5}, {0, 0, 7, 7, 0, 0}, {10, 10, 10, 1, 2, 3}};
// Rows, bottom first: 1 2 1 2 1; then 3 4 5 as they are and two of 14 (5 by 2).
inline const QByteArray rle4Data("\x05\x12\x00\x00"
                                 "\x00\x03\x34\x50\x02\xee\x00\x01",
                                 12);
inline const QList<QList<int>> rle4Rows{{3, 4, 5, 14, 14}, {1, 2, 1, 2, 1}};

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace vorlin::test
