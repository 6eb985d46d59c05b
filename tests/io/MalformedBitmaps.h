#pragma once

// Broken picture files, one a way the loader refuses them: what the failure must say.

#include "BmpWriter.h"

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
    const QByteArray good = encode(pattern(7, 5)).bytes();
    Bmp fourBit = encode(pattern(2, 1, 16), 4);
    fourBit.clrUsed = 17;
    const QByteArray overlap = maskedRow(32, {0xffff00, 0xff00, 0xff}, {0, 0}).bytes();
    return {
        {"empty file", "empty.bmp", QByteArray(), "the file is empty"},
        {"cut in the info header", "h30.dib", good.left(30), "cut off"},
        {"cut in the colour table", "pal.bmp", encode(pattern(4, 4, 256), 8).bytes().left(554),
         "colour table"},
        {"palette of 17 colours for 4 bits", "pal17.bmp", fourBit.bytes(), "claims 17 colours"},
        {"overlapping colour masks", "mo.bmp", overlap, "colour masks"},
        {"RLE8 run past the end of a row", "r1.dib", rle8(QByteArray("\x03\x01\x00\x01", 4)).bytes(),
         "past the end of row 1"},
        {"RLE8 stored top row first", "r9.bmp", rle8(QByteArray("\x02\x01\x00\x01", 4), -1).bytes(),
         "top row first"},
    };
}

} // namespace vorlin::test
