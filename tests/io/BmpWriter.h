#pragma once

// Writes Windows bitmaps for tests: whole, with a known pixel pattern, or taken apart field by field
// so that a test can break exactly one thing. Header only, so any test can include it.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QRgb>
#include <QString>
#include <QtEndian>
#include <optional>

namespace vorlin::test {

// The colour of pixel (x, y) in a 24-bit pattern bitmap; y counts from the top row.
inline QRgb patternColor(int x, int y)
{
    return qRgb((x * 7 + y) & 0xff, (y * 5 + x * 3) & 0xff, (x ^ y) & 0xff);
}

// The palette index of pixel (x, y) in an 8-bit pattern bitmap, and the palette colour of index i.
inline int patternIndex(int x, int y, int colours = 256)
{
    return (x + 2 * y) % colours;
}
inline QRgb paletteColor(int i)
{
    return qRgb(i, 255 - i, (i * 37) & 0xff);
}

// One bitmap file, field by field. bytes() joins the fields as a bitmap writer would; every field
// can be changed first to make a broken file.
struct Bmp
{
    QByteArray type = "BM";
    quint32 infoSize = 40; // 12 (core), 40, 52, 56, 108 or 124
    qint32 width = 0;
    qint32 height = 0; // negative: rows stored top row first
    quint16 planes = 1;
    quint16 bitCount = 24;
    quint32 compression = 0; // 0 none, 1 RLE8, 2 RLE4, 3 bit fields
    quint32 clrUsed = 0;
    QByteArray masks;               // red, green, blue (and alpha) masks, 4 bytes each
    QByteArray palette;             // 4 bytes an entry (3 with the 12-byte header)
    QByteArray pixels;              // rows as stored
    std::optional<quint32> offBits; // by default right after the palette

    static void put16(QByteArray& out, quint16 v)
    {
        char b[2];
        qToLittleEndian(v, b);
        out.append(b, 2);
    }
    static void put32(QByteArray& out, quint32 v)
    {
        char b[4];
        qToLittleEndian(v, b);
        out.append(b, 4);
    }

    // Bytes from the start of the file to the first pixel.
    QByteArray head() const
    {
        QByteArray info;
        put32(info, infoSize);
        if (infoSize == 12) {
            put16(info, quint16(width));
            put16(info, quint16(height));
            put16(info, planes);
            put16(info, bitCount);
        } else {
            put32(info, quint32(width));
            put32(info, quint32(height));
            put16(info, planes);
            put16(info, bitCount);
            put32(info, compression);
            put32(info, 0); // size of the pixel data: may be 0 when not compressed
            put32(info, 2835);
            put32(info, 2835);
            put32(info, clrUsed);
            put32(info, 0);
            if (infoSize > 40)
                info.append(masks.left(int(infoSize) - 40));
            if (info.size() < int(infoSize))
                info.append(QByteArray(int(infoSize) - info.size(), '\0'));
            else if (infoSize == 40)
                info.append(masks);
        }
        QByteArray out = type.left(2);
        const quint32 start = quint32(14 + info.size() + palette.size());
        put32(out, start + quint32(pixels.size()));
        put32(out, 0);
        put32(out, offBits.value_or(start));
        out += info;
        out += palette;
        return out;
    }
    QByteArray bytes() const { return head() + pixels; }

    static int stride(int width, int bitCount) { return ((width * bitCount + 31) / 32) * 4; }

    // A 24-bit bitmap of the pattern.
    static Bmp rgb24(int w, int h)
    {
        Bmp b;
        b.width = w;
        b.height = h;
        b.bitCount = 24;
        const int rows = h < 0 ? -h : h;
        const int s = stride(w, 24);
        b.pixels = QByteArray(s * rows, '\0');
        for (int r = 0; r < rows; ++r) {
            const int y = h < 0 ? r : rows - 1 - r;
            char* p = b.pixels.data() + r * s;
            for (int x = 0; x < w; ++x) {
                const QRgb c = patternColor(x, y);
                *p++ = char(qBlue(c));
                *p++ = char(qGreen(c));
                *p++ = char(qRed(c));
            }
        }
        return b;
    }

    // An 8-bit bitmap of the pattern, with a palette of the given number of colours.
    static Bmp indexed8(int w, int h, int colours = 256)
    {
        Bmp b;
        b.width = w;
        b.height = h;
        b.bitCount = 8;
        b.clrUsed = colours == 256 ? 0 : quint32(colours);
        for (int i = 0; i < colours; ++i) {
            const QRgb c = paletteColor(i);
            b.palette += char(qBlue(c));
            b.palette += char(qGreen(c));
            b.palette += char(qRed(c));
            b.palette += '\0';
        }
        const int rows = h < 0 ? -h : h;
        const int s = stride(w, 8);
        b.pixels = QByteArray(s * rows, '\0');
        for (int r = 0; r < rows; ++r) {
            const int y = h < 0 ? r : rows - 1 - r;
            for (int x = 0; x < w; ++x)
                b.pixels[r * s + x] = char(patternIndex(x, y, colours));
        }
        return b;
    }
};

// A bitmap of 8 (RLE8) or 4 (RLE4) bits a pixel whose pixels are the given run-length data, with
// the full palette of paletteColor().
inline Bmp runLengths(int w, int h, int bitCount, const QByteArray& data)
{
    Bmp b;
    b.width = w;
    b.height = h;
    b.bitCount = quint16(bitCount);
    b.compression = bitCount == 8 ? 1 : 2;
    for (int i = 0; i < (1 << bitCount); ++i) {
        const QRgb c = paletteColor(i);
        b.palette += char(qBlue(c));
        b.palette += char(qGreen(c));
        b.palette += char(qRed(c));
        b.palette += '\0';
    }
    b.pixels = data;
    return b;
}

// Rows, bottom first: three of 10, then 1 2 3 as they are; skip two, two of 7; six of 5.
inline const QByteArray rle8Data("\x03\x0a\x00\x03\x01\x02\x03\x00\x00\x00"
                                 "\x00\x02\x02\x00\x02\x07\x00\x00"
                                 "\x06\x05\x00\x01",
                                 22);
// The palette indexes rle8Data decodes to (6 by 3), top row first.
inline const QList<QList<int>> rle8Rows{{5, 5, 5, 5, 5, 5}, {0, 0, 7, 7, 0, 0}, {10, 10, 10, 1, 2, 3}};

// Rows, bottom first: 1 2 1 2 1; then 3 4 5 as they are and two of 14.
inline const QByteArray rle4Data("\x05\x12\x00\x00"
                                 "\x00\x03\x34\x50\x02\xee\x00\x01",
                                 12);
// The palette indexes rle4Data decodes to (5 by 2), top row first.
inline const QList<QList<int>> rle4Rows{{3, 4, 5, 14, 14}, {1, 2, 1, 2, 1}};

// A 3 by 2 bitmap of 16 or 32 bits a pixel with the given colour masks; at 32 bits its pixels are
// the pattern when the masks are the usual 0xff0000, 0xff00, 0xff.
inline Bmp withMasks(int bitCount, quint32 red, quint32 green, quint32 blue)
{
    Bmp b;
    b.width = 3;
    b.height = 2;
    b.bitCount = quint16(bitCount);
    b.compression = 3;
    Bmp::put32(b.masks, red);
    Bmp::put32(b.masks, green);
    Bmp::put32(b.masks, blue);
    const int stride = Bmp::stride(3, bitCount);
    b.pixels = QByteArray(stride * 2, '\0');
    if (bitCount == 32) {
        for (int r = 0; r < 2; ++r)
            for (int x = 0; x < 3; ++x) {
                const QRgb c = patternColor(x, 1 - r);
                char* p = b.pixels.data() + r * stride + x * 4;
                p[0] = char(qBlue(c));
                p[1] = char(qGreen(c));
                p[2] = char(qRed(c));
            }
    }
    return b;
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Writes a large 24-bit pattern bitmap row by row, without holding its pixels in memory.
inline bool writeLargeRgb24(const QString& path, int w, int h)
{
    Bmp b;
    b.width = w;
    b.height = h;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(b.head()) < 0)
        return false;
    const int s = Bmp::stride(w, 24);
    QByteArray row(s, '\0');
    for (int r = 0; r < h; ++r) {
        char* p = row.data();
        for (int x = 0; x < w; ++x) {
            const QRgb c = patternColor(x, h - 1 - r);
            *p++ = char(qBlue(c));
            *p++ = char(qGreen(c));
            *p++ = char(qRed(c));
        }
        if (f.write(row) != s)
            return false;
    }
    return true;
}

} // namespace vorlin::test
