#pragma once

// Broken picture files, one a way the loader refuses them: what the failure must say.

#include "../io/BmpWriter.h"

#include <QList>

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
    using namespace Qt::StringLiterals;
    const QByteArray palette = le(0) + le(~0u), overlap = le(0xffff00) + le(0xff00) + le(0xff),
                     rgb = le(0xff0000) + le(0xff00) + le(0xff);
    return {
        {"empty file", "empty.bmp", QByteArray(), "the file is empty"},
        {"cut in the file header", "h16.bmp", bmp(1, 1, 24).left(16), "cut off"},
        {"cut in the info header", "h30.dib", bmp(1, 1, 24).left(30), "cut off"},
        {"header of 41 bytes", "h41.bmp", bmp(1, 1, 24).replace(14, 1, "\x29"), "header size of 41 bytes"},
        {"PNG inside", "png.bmp", bmp(1, 1, 24, 5), "as a PNG picture"},
        {"PNG named .bmp", "p.bmp", "\x89PNG\r\n\x1a\n"_ba, "not a Windows bitmap but a PNG picture"},
        {"over 4 GB of pixels", "big.bmp", bmp(100000, 100000, 32), "at most 4 GB of pixel data"},
        {"no width", "w0.bmp", bmp(0, 1, 24), "a width of 0 pixels"},
        {"no height", "h0.bmp", bmp(1, 0, 24), "a height of 0 pixels"},
        {"cut in the palette", "pal.bmp", bmp(1, 1, 8, 0, QByteArray(1024, 0)).left(554), "colour table"},
        {"two colour planes", "planes.bmp", bmp(1, 1, 24).replace(26, 1, "\2"), "gives 2 colour planes"},
        {"palette of 17 colours for 4 bits", "pal17.bmp", bmp(1, 1, 4, 0, {}, {}, 17), "claims 17 colours"},
        {"overlapping colour masks", "mo.bmp", bmp(1, 1, 32, 3, overlap, le(0)), "colour masks"},
        {"alpha mask on red", "ma.bmp", bmp(1, 1, 32, 6, rgb + le(0xff800000), le(0)), "colour masks"},
        {"alpha mask on green", "mb.bmp", bmp(1, 1, 32, 6, rgb + le(0x8000), le(0)), "colour masks"},
        {"RLE8 run past a row's end", "r1.dib", bmp(2, 1, 8, 1, palette, "\3\1\0\1"_ba), "end of row 1"},
        {"RLE8 stored too far", "r4.bmp", bmp(2, 1, 8, 1, palette, "\0\3\1\0\1\0"_ba), "reaches past"},
        {"RLE8 above the top row", "r2.bmp", bmp(1, 1, 8, 1, palette, "\0\0\0\0"_ba), "above the top row"},
        // 33 runs of 2 in a row of 64 below the part the box shows, which is only counted.
        {"RLE8 long hidden row", "r5.bmp", bmp(64, 99, 8, 1, palette, "\2\1"_ba.repeated(33)), "end of row"},
        {"RLE8 cut off", "r3.bmp", bmp(2, 1, 8, 1, palette, "\x02"_ba), "ends in row 1 of 1"},
        {"RLE8 top row first", "r9.bmp", bmp(2, -1, 8, 1, palette, "\2\1\0\1"_ba), "top row first"},
    };
}

} // namespace vorlin::test
