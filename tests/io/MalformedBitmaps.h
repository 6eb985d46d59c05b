#pragma once

// Broken and hostile picture files, written by the tests themselves: what the loader must refuse
// and the window must report. Shared by the loader's tests and the window's, so both try the same set.

#include "BmpWriter.h"

#include <QBuffer>
#include <QImage>
#include <QList>
#include <climits>

namespace vorlin::test {

struct MalformedBitmap
{
    const char* tag; // what is wrong, as a test data tag
    QString name;    // the file's name; its extension decides the list it shows in
    QByteArray bytes;
    QString why; // a part of the reason the failure must give
};

inline QByteArray pngBytes()
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

inline QList<MalformedBitmap> malformedBitmaps()
{
    QList<MalformedBitmap> set;
    const auto add = [&](const char* tag, const char* name, const QByteArray& bytes, const char* why) {
        set.append({tag, QString::fromLatin1(name), bytes, QString::fromUtf8(why)});
    };
    // A 7 by 5 bitmap of 24 bits: 54 bytes of headers, then 5 rows of 24 bytes.
    const QByteArray good = Bmp::rgb24(7, 5).bytes();

    add("empty file (zero bytes)", "empty.bmp", QByteArray(), "the file is empty");
    add("only \"BM\"", "bm.bmp", QByteArray("BM"), "cut off");
    add("cut in the file header", "h10.bmp", good.left(10), "cut off");
    add("cut after the file header", "h14.bmp", good.left(14), "cut off");
    add("cut in the info header", "h30.dib", good.left(30), "cut off");
    add("cut one byte before the pixels", "h53.bmp", good.left(53), "cut off");
    add("cut at the first pixel", "h54.bmp", good.left(54), "ends before its pixel data");
    add("pixel data cut short", "rows.dib", good.left(good.size() - 10),
        "the file is cut off (it holds 110 of 120 bytes of pixel data).");
    add("cut in the colour table", "pal.bmp", Bmp::indexed8(4, 4).bytes().left(54 + 500), "colour table");
    Bmp beyond = Bmp::rgb24(4, 4);
    beyond.offBits = 100000;
    add("pixel offset beyond the end", "far.bmp", beyond.bytes(), "ends before its pixel data");
    add("PNG named .bmp", "png.bmp", pngBytes(), "not a Windows bitmap but a PNG picture");
    add("text file named .dib", "text.dib", QByteArray("Not a drawing\n"), "not a Windows bitmap");
    QByteArray os2 = good;
    os2[1] = 'A';
    add("OS/2 bitmap array", "ba.bmp", os2, "not a Windows bitmap");

    // A good 4 by 4 bitmap with one header field changed.
    const auto broken = [&](const char* tag, const char* name, auto change, const char* why) {
        Bmp b = Bmp::rgb24(4, 4);
        change(b);
        add(tag, name, b.bytes(), why);
    };
    broken(
        "bit depth 7", "b7.bmp", [](Bmp& b) { b.bitCount = 7; }, "7 bits a pixel");
    broken(
        "bit depth 0", "b0.bmp", [](Bmp& b) { b.bitCount = 0; }, "0 bits a pixel");
    broken(
        "zero colour planes", "p0.bmp", [](Bmp& b) { b.planes = 0; }, "0 colour planes");
    broken(
        "three colour planes", "p3.bmp", [](Bmp& b) { b.planes = 3; }, "3 colour planes");
    broken(
        "negative width", "wneg.bmp", [](Bmp& b) { b.width = -4; }, "width of -4 pixels");
    broken(
        "zero width", "w0.bmp", [](Bmp& b) { b.width = 0; }, "width of 0 pixels");
    broken(
        "zero height", "h0.dib", [](Bmp& b) { b.height = 0; }, "height of 0 pixels");
    broken(
        "most negative height", "hmin.bmp", [](Bmp& b) { b.height = INT_MIN; }, "too large");
    broken(
        "height of 40000", "h40k.bmp", [](Bmp& b) { b.height = 40000; }, "too large");
    broken(
        "width of 2^31 - 1", "wmax.bmp", [](Bmp& b) { b.width = INT_MAX; }, "too large");
    broken(
        "30000 by 30000 pixels", "huge.dib",
        [](Bmp& b) {
            b.width = 30000;
            b.height = 30000;
        },
        "would take 3434 MB; at most 512 MB");
    broken(
        "header size 0", "i0.bmp", [](Bmp& b) { b.infoSize = 0; }, "header size of 0 bytes");
    broken(
        "header size 1000", "i1000.bmp", [](Bmp& b) { b.infoSize = 1000; }, "header size of 1000 bytes");
    broken(
        "52-byte header", "i52.bmp", [](Bmp& b) { b.infoSize = 52; }, "kind of bitmap header (52 bytes)");
    broken(
        "RLE8 with 24 bits", "c1.bmp", [](Bmp& b) { b.compression = 1; }, "type 1 with 24 bits");
    broken(
        "embedded JPEG", "c4.bmp", [](Bmp& b) { b.compression = 4; }, "type 4 with 24 bits");

    Bmp manyColours = Bmp::indexed8(4, 4);
    manyColours.clrUsed = 0x80000000u;
    add("palette of 2^31 colours for 8 bits", "pal31.dib", manyColours.bytes(), "claims 2147483648");
    Bmp fourBit = runLengths(5, 2, 4, rle4Data);
    fourBit.clrUsed = 17;
    add("palette of 17 colours for 4 bits", "pal17.bmp", fourBit.bytes(), "claims 17 colours");

    add("colour masks all zero", "m0.bmp", withMasks(32, 0, 0, 0).bytes(), "colour masks");
    add("colour masks all ones", "m1.dib", withMasks(32, 0xffffffff, 0xffffffff, 0xffffffff).bytes(),
        "colour masks");
    add("overlapping colour masks", "mo.bmp", withMasks(32, 0xffff00, 0xff00, 0xff).bytes(), "colour masks");
    add("gap in a colour mask", "mg.bmp", withMasks(32, 0xf0f000, 0xff, 0xf0000000).bytes(), "colour masks");
    add("16-bit masks wider than 16 bits", "m16.bmp", withMasks(16, 0x1f0000, 0x3e0, 0x1f).bytes(),
        "colour masks");
    add("colour masks cut off", "mc.bmp", withMasks(32, 0xff0000, 0xff00, 0xff).bytes().left(60), "cut off");

    add("RLE8 run past the end of a row", "r1.dib",
        runLengths(6, 3, 8, QByteArray("\x07\x01\x00\x01", 4)).bytes(), "past the end of row 1");
    add("RLE8 literal pixels past the end of a row", "r2.bmp",
        runLengths(6, 3, 8, QByteArray("\x03\x01\x00\x04\x01\x02\x03\x04\x00\x01", 10)).bytes(),
        "past the end of row 1");
    add("RLE4 run past the end of a row", "r3.bmp",
        runLengths(5, 2, 4, QByteArray("\x06\x12\x00\x01", 4)).bytes(), "past the end of row");
    add("RLE8 skip beyond the top", "r4.bmp",
        runLengths(6, 3, 8, QByteArray("\x00\x02\x00\x09\x00\x01", 6)).bytes(), "above the top row");
    add("RLE8 pixels above the top row", "r5.bmp",
        runLengths(2, 1, 8, QByteArray("\x02\x01\x00\x00\x02\x01\x00\x01", 8)).bytes(), "above the top row");
    add("RLE8 data ending in the second row", "r6.bmp", runLengths(6, 3, 8, rle8Data.left(14)).bytes(),
        "ends in row 2 of 3");
    add("RLE8 literal pixels cut off", "r7.bmp",
        runLengths(6, 3, 8, QByteArray("\x00\x05\x01\x02", 4)).bytes(), "ends in row 1 of 3");
    add("RLE8 skip cut off", "r8.bmp", runLengths(6, 3, 8, QByteArray("\x00\x02\x01", 3)).bytes(),
        "ends in row 1 of 3");
    add("RLE8 stored top row first", "r9.bmp", runLengths(6, -3, 8, rle8Data).bytes(), "top row first");
    return set;
}

} // namespace vorlin::test
