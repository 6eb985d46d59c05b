#pragma once

// Broken and hostile picture files: what the window must report, naming the file and the reason.

#include "BmpWriter.h"

#include <QBuffer>
#include <climits>

namespace vorlin::test {

struct MalformedBitmap
{
    const char* tag; // what is wrong
    QString name;    // its extension decides the list it shows in
    QByteArray bytes;
    QString why; // a part of the reason the failure must give
};

inline QList<MalformedBitmap> malformedBitmaps()
{
    QList<MalformedBitmap> set;
    const auto add = [&](const char* tag, const char* name, const QByteArray& bytes, const char* why) {
        set.append({tag, QString::fromLatin1(name), bytes, QString::fromUtf8(why)});
    };
    // A good 4 by 4 bitmap of 24 bits with one field changed.
    const auto changed = [](auto change) {
        Bmp b = encode(pattern(4, 4));
        change(b);
        return b.bytes();
    };
    const auto masks = [](int bitCount, quint32 red, quint32 green, quint32 blue) {
        Bmp b = encode(pattern(3, 2), 32);
        b.bitCount = quint16(bitCount);
        b.masks = le(red) + le(green) + le(blue);
        return b.bytes();
    };
    const auto rle = [](int w, int h, int bitCount, const char* data, int size) {
        return runLengths(w, h, bitCount, QByteArray(data, size)).bytes();
    };
    const QByteArray good = encode(pattern(7, 5)).bytes(); // 54 bytes of headers, 5 rows of 24 bytes
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    pattern(4, 4).save(&buffer, "PNG");
    QByteArray os2 = good;
    os2[1] = 'A';

    add("empty file (zero bytes)", "empty.bmp", QByteArray(), "the file is empty");
    add("only \"BM\"", "bm.bmp", QByteArray("BM"), "cut off");
    add("cut in the file header", "h10.bmp", good.left(10), "cut off");
    add("cut after the file header", "h14.bmp", good.left(14), "cut off");
    add("cut in the info header", "h30.dib", good.left(30), "cut off");
    add("cut one byte before the pixels", "h53.bmp", good.left(53), "cut off");
    add("cut at the first pixel", "h54.bmp", good.left(54), "ends before its pixel data");
    add("pixel data cut short", "rows.dib", good.chopped(10),
        "the file is cut off (it holds 110 of 120 bytes of pixel data).");
    add("cut in the colour table", "pal.bmp", encode(pattern(4, 4, 256), 8).bytes().left(554),
        "colour table");
    add("pixel offset beyond the end", "far.bmp", changed([](Bmp& b) { b.offBits = 100000; }),
        "ends before its pixel data");
    add("PNG named .bmp", "png.bmp", png, "not a Windows bitmap but a PNG picture");
    add("text file named .dib", "text.dib", QByteArray("Not a drawing\n"), "not a Windows bitmap");
    add("OS/2 bitmap array", "ba.bmp", os2, "not a Windows bitmap");
    add("bit depth 7", "b7.bmp", changed([](Bmp& b) { b.bitCount = 7; }), "7 bits a pixel");
    add("bit depth 0", "b0.bmp", changed([](Bmp& b) { b.bitCount = 0; }), "0 bits a pixel");
    add("zero colour planes", "p0.bmp", changed([](Bmp& b) { b.planes = 0; }), "0 colour planes");
    add("three colour planes", "p3.bmp", changed([](Bmp& b) { b.planes = 3; }), "3 colour planes");
    add("negative width", "wneg.bmp", changed([](Bmp& b) { b.width = -4; }), "width of -4 pixels");
    add("zero width", "w0.bmp", changed([](Bmp& b) { b.width = 0; }), "width of 0 pixels");
    add("zero height", "h0.dib", changed([](Bmp& b) { b.height = 0; }), "height of 0 pixels");
    add("most negative height", "hmin.bmp", changed([](Bmp& b) { b.height = INT_MIN; }), "too large");
    add("width of 2^31 - 1", "wmax.bmp", changed([](Bmp& b) { b.width = INT_MAX; }), "too large");
    add("30000 by 30000 pixels in a file of 102 bytes", "huge.dib",
        changed([](Bmp& b) { b.width = b.height = 30000; }), "holds 48 of 2700000000 bytes");
    add("header size 0", "i0.bmp", changed([](Bmp& b) { b.infoSize = 0; }), "header size of 0 bytes");
    add("header size 1000", "i1000.bmp", changed([](Bmp& b) { b.infoSize = 1000; }),
        "header size of 1000 bytes");
    add("RLE8 with 24 bits", "c1.bmp", changed([](Bmp& b) { b.compression = 1; }), "type 1 with 24 bits");
    add("JPEG inside, 0 bits a pixel", "c4.bmp", changed([](Bmp& b) {
            b.compression = 4;
            b.bitCount = 0;
        }),
        "pixels as a JPEG picture");
    Bmp manyColours = encode(pattern(4, 4, 256), 8);
    manyColours.clrUsed = 0x80000000u;
    add("palette of 2^31 colours for 8 bits", "pal31.dib", manyColours.bytes(), "claims 2147483648");
    Bmp fourBit = runLengths(5, 2, 4, rle4Data);
    fourBit.clrUsed = 17;
    add("palette of 17 colours for 4 bits", "pal17.bmp", fourBit.bytes(), "claims 17 colours");
    add("colour masks all zero", "m0.bmp", masks(32, 0, 0, 0), "colour masks");
    add("colour masks all ones", "m1.dib", masks(32, 0xffffffff, 0xffffffff, 0xffffffff), "colour masks");
    add("overlapping colour masks", "mo.bmp", masks(32, 0xffff00, 0xff00, 0xff), "colour masks");
    add("gap in a colour mask", "mg.bmp", masks(32, 0xf0f000, 0xff, 0xf0000000), "colour masks");
    add("16-bit masks wider than 16 bits", "m16.bmp", masks(16, 0x1f0000, 0x3e0, 0x1f), "colour masks");
    add("colour masks cut off", "mc.bmp", masks(32, 0xff0000, 0xff00, 0xff).left(60), "cut off");
    add("RLE8 run past the end of a row", "r1.dib", rle(6, 3, 8, "\x07\x01\x00\x01", 4),
        "past the end of row 1");
    // Rows the box leaves out (it shows the top 63) are checked runs by the dozen.
    add("RLE8 runs past the end of a row below the box", "r10.bmp",
        rle(16, 70, 8, "\x03\x01\x03\x01\x03\x01\x03\x01\x03\x01\x03\x01\x03\x01\x03\x01\x00\x01", 18),
        "past the end of row 1 of 70");
    add("RLE8 literal pixels past the end of a row", "r2.bmp",
        rle(6, 3, 8, "\x03\x01\x00\x04\x01\x02\x03\x04\x00\x01", 10), "past the end of row 1");
    add("RLE4 run past the end of a row", "r3.bmp", rle(5, 2, 4, "\x06\x12\x00\x01", 4),
        "past the end of row");
    add("RLE8 skip beyond the top", "r4.bmp", rle(6, 3, 8, "\x00\x02\x00\x09\x00\x01", 6),
        "above the top row");
    add("RLE8 pixels above the top row", "r5.bmp", rle(2, 1, 8, "\x02\x01\x00\x00\x02\x01\x00\x01", 8),
        "above the top row");
    add("RLE8 data ending in the second row", "r6.bmp", runLengths(6, 3, 8, rle8Data.left(14)).bytes(),
        "ends in row 2 of 3");
    add("RLE8 literal pixels cut off", "r7.bmp", rle(6, 3, 8, "\x00\x05\x01\x02", 4), "ends in row 1 of 3");
    add("RLE8 skip cut off", "r8.bmp", rle(6, 3, 8, "\x00\x02\x01", 3), "ends in row 1 of 3");
    add("RLE8 stored top row first", "r9.bmp", runLengths(6, -3, 8, rle8Data).bytes(), "top row first");
    return set;
}

} // namespace vorlin::test
