#include "platform/Pictures.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>
#include <bit>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vorlin {

namespace {

// The number of every failure that is about the picture itself rather than the file system.
constexpr int InvalidPicture = 481;

// 8000 by 6000 pixels decode to 32 bits a pixel: 183 MiB. 512 MiB leaves room for drawings up to
// about 11500 by 11500 pixels, yet a header that claims far more is refused before anything is
// allocated, and one picture can never take a large share of the machine's memory.
constexpr int AllocationLimitMiB = 512;
// Qt reads the 12-byte header's sizes as signed 16-bit numbers; keep every kind within that range.
constexpr qint64 MaxSide = 32767;

constexpr int FileHeaderSize = 14;
constexpr quint32 CoreHeaderSize = 12;
constexpr quint32 InfoHeaderSize = 40;
constexpr quint32 LargestHeaderSize = 124;

enum Compression : quint32 { None = 0, Rle8 = 1, Rle4 = 2, BitFields = 3 };

Failure cannotShow(const QString& name, const QString& why, int number = InvalidPicture)
{
    return Failure{number, QStringLiteral("Cannot show \"%1\": %2.").arg(name, why)};
}

QString systemReason(int err)
{
    switch (err) {
    case ENOENT:
        return QStringLiteral("the file does not exist");
    case ENOTDIR:
        return QStringLiteral("its folder does not exist");
    case EACCES:
    case EPERM:
        return QStringLiteral("access to the file is denied");
    case EISDIR:
        return QStringLiteral("it is a folder, not a file");
    default:
        return QString::fromLocal8Bit(std::strerror(err));
    }
}

quint16 le16(const QByteArray& bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}
quint32 le32(const QByteArray& bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

// What the headers of a bitmap say, checked against each other and against the file's size.
struct BitmapLayout
{
    qint64 width = 0;
    qint64 height = 0; // rows, always positive
    bool topDown = false;
    int bitCount = 0;
    quint32 compression = None;
    int colours = 0;   // entries of the colour table; 0 above 8 bits a pixel
    int entrySize = 4; // bytes an entry of the colour table
    qint64 paletteStart = 0;
    qint64 pixelStart = 0;
};

bool isContiguousMask(quint32 mask)
{
    if (mask == 0)
        return false;
    const quint64 shifted = mask >> std::countr_zero(mask);
    return (shifted & (shifted + 1)) == 0;
}

// Checks the file and info headers. head holds the file's first bytes (all of them when the file
// is shorter than the largest header); fileSize is the whole file's. Returns why the bitmap
// cannot be shown, or nothing.
std::optional<QString> readLayout(const QByteArray& head, qint64 fileSize, BitmapLayout& layout)
{
    const auto cutOffInHeader = [&] {
        return QStringLiteral("the file is cut off (its %1 bytes do not hold the whole bitmap header)")
            .arg(fileSize);
    };
    if (head.size() < FileHeaderSize + 4)
        return cutOffInHeader();
    const quint32 offBits = le32(head, 10);
    const quint32 infoSize = le32(head, 14);
    if (infoSize != CoreHeaderSize && infoSize != InfoHeaderSize && infoSize != 108 && infoSize != 124) {
        if (infoSize == 52 || infoSize == 56)
            return QStringLiteral("it uses a kind of bitmap header (%1 bytes) that cannot be shown")
                .arg(infoSize);
        return QStringLiteral("its header is damaged (it gives a header size of %1 bytes)").arg(infoSize);
    }
    const bool core = infoSize == CoreHeaderSize;
    const bool hasFieldMasks = !core && le32(head, 30) == BitFields;
    const qint64 headerEnd =
        FileHeaderSize + qint64(infoSize) + (infoSize == InfoHeaderSize && hasFieldMasks ? 12 : 0);
    if (fileSize < headerEnd || head.size() < headerEnd)
        return cutOffInHeader();

    quint32 clrUsed = 0;
    int planes = 0;
    if (core) {
        layout.width = le16(head, 18);
        layout.height = le16(head, 20);
        planes = le16(head, 22);
        layout.bitCount = le16(head, 24);
        layout.entrySize = 3;
    } else {
        layout.width = qint32(le32(head, 18));
        layout.height = qint32(le32(head, 22));
        planes = le16(head, 26);
        layout.bitCount = le16(head, 28);
        layout.compression = le32(head, 30);
        clrUsed = le32(head, 46);
    }
    layout.topDown = layout.height < 0;
    layout.height = qAbs(layout.height);

    const int bits = layout.bitCount;
    if (planes != 1)
        return QStringLiteral("its header is damaged (it gives %1 colour planes instead of 1)").arg(planes);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return QStringLiteral("it uses %1 bits a pixel, which cannot be shown").arg(bits);
    const quint32 comp = layout.compression;
    const bool compressionFits = comp == None || (comp == Rle8 && bits == 8) || (comp == Rle4 && bits == 4) ||
                                 (comp == BitFields && (bits == 16 || bits == 32));
    if (!compressionFits)
        return QStringLiteral(
                   "it uses a kind of compression (type %1 with %2 bits a pixel) that cannot be shown")
            .arg(comp)
            .arg(bits);
    if (layout.width <= 0)
        return QStringLiteral("its header is damaged (it gives a width of %1 pixels)").arg(layout.width);
    if (layout.height == 0)
        return QStringLiteral("its header is damaged (it gives a height of 0 pixels)");
    if (layout.topDown && (comp == Rle8 || comp == Rle4))
        return QStringLiteral("its header is damaged (a compressed bitmap cannot store its top row first)");

    if (layout.width > MaxSide || layout.height > MaxSide)
        return QStringLiteral(
                   "the picture is too large (%1 by %2 pixels; at most %3 pixels a side can be shown)")
            .arg(layout.width)
            .arg(layout.height)
            .arg(MaxSide);
    // Every picture ends up with 32 bits a pixel to be painted; count that, whatever it is stored in.
    const qint64 limitMiB = QImageReader::allocationLimit();
    const qint64 needMiB = (layout.width * layout.height * 4 + (1 << 20) - 1) >> 20;
    if (limitMiB > 0 && needMiB > limitMiB)
        return QStringLiteral("the picture is too large (%1 by %2 pixels would take %3 MB; at most %4 MB)")
            .arg(layout.width)
            .arg(layout.height)
            .arg(needMiB)
            .arg(limitMiB);

    if (bits <= 8) {
        const quint32 most = 1u << bits;
        if (clrUsed > most)
            return QStringLiteral("its colour table is damaged (it claims %1 colours for %2 bits a pixel)")
                .arg(clrUsed)
                .arg(bits);
        layout.colours = int(clrUsed ? clrUsed : most);
    }
    if (comp == BitFields) {
        const qsizetype at = FileHeaderSize + InfoHeaderSize;
        const quint32 red = le32(head, at), green = le32(head, at + 4), blue = le32(head, at + 8);
        const quint32 alpha = infoSize >= 108 ? le32(head, at + 12) : 0;
        const quint64 range = bits == 16 ? 0xffffu : 0xffffffffu;
        const bool masksFit = isContiguousMask(red) && isContiguousMask(green) && isContiguousMask(blue) &&
                              (alpha == 0 || isContiguousMask(alpha)) && (red & green) == 0 &&
                              (red & blue) == 0 && (green & blue) == 0 &&
                              ((red | green | blue) & alpha) == 0 && (red | green | blue | alpha) <= range;
        if (!masksFit)
            return QStringLiteral("its colour masks are damaged");
    }

    // Qt reads the colour table right after the info header and the pixels from offBits, unless
    // offBits points back into the headers; mirror that to know where the pixels really start.
    layout.paletteStart = FileHeaderSize + qint64(infoSize);
    const qint64 tableEnd = layout.paletteStart + qint64(layout.colours) * layout.entrySize;
    if (tableEnd > fileSize)
        return QStringLiteral("the file is cut off (it ends inside the colour table)");
    layout.pixelStart = qMax<qint64>(offBits, qMax(headerEnd, tableEnd));
    return std::nullopt;
}

// Decodes run-length encoded pixels (8 or 4 bits a pixel) into image, whose size the headers gave.
// Pixels that the runs skip keep colour 0. Returns why the data cannot be shown, or nothing.
std::optional<QString> decodeRunLengths(const QByteArray& data, int bitCount, QImage& image)
{
    const int w = image.width();
    const int h = image.height();
    int x = 0;
    int y = 0; // rows from the bottom, as stored
    qsizetype i = 0;
    const auto damaged = [&] {
        if (y >= h)
            return QStringLiteral("its compressed pixel data is damaged (it reaches above the top row)");
        return QStringLiteral(
                   "its compressed pixel data is damaged (a run reaches past the end of row %1 of %2)")
            .arg(y + 1)
            .arg(h);
    };
    const auto cutOff = [&] {
        return QStringLiteral("the file is cut off (its compressed pixel data ends in row %1 of %2)")
            .arg(y + 1)
            .arg(h);
    };
    const auto put = [&](int index) {
        image.scanLine(h - 1 - y)[x++] = uchar(index);
    };
    const auto nibble = [](uchar pair, int k) {
        return k % 2 == 0 ? pair >> 4 : pair & 0x0f;
    };

    image.fill(0);
    for (;;) {
        if (i + 2 > data.size()) {
            if (y >= h || (y == h - 1 && x == w))
                return std::nullopt; // every row is there; only the end mark is missing
            return cutOff();
        }
        const int count = uchar(data[i]);
        const uchar value = uchar(data[i + 1]);
        i += 2;
        if (count > 0) { // a run of one value (or of two alternating nibbles)
            if (y >= h || x + count > w)
                return damaged();
            for (int k = 0; k < count; ++k)
                put(bitCount == 8 ? value : nibble(value, k));
        } else if (value == 0) { // end of row
            x = 0;
            ++y;
        } else if (value == 1) { // end of picture
            return std::nullopt;
        } else if (value == 2) { // move right and up
            if (i + 2 > data.size())
                return cutOff();
            x += uchar(data[i]);
            y += uchar(data[i + 1]);
            i += 2;
            if (x > w || y > h)
                return damaged();
        } else { // value pixels stored as they are, padded to an even number of bytes
            const int n = value;
            const qsizetype bytes = bitCount == 8 ? n : (n + 1) / 2;
            if (y >= h || x + n > w)
                return damaged();
            if (i + bytes > data.size())
                return cutOff();
            for (int k = 0; k < n; ++k)
                put(bitCount == 8 ? uchar(data[i + k]) : nibble(uchar(data[i + k / 2]), k));
            i += (bytes + 1) & ~qsizetype(1);
        }
    }
}

// Decodes uncompressed 24-bit pixels, whose size the headers gave and the file holds. Qt's reader
// passes every pixel through colour masks; for the most common kind of drawing this plain
// conversion of each row does the same work at about a third of the cost.
std::optional<Failure> decodeRgb24(QFile& file, const BitmapLayout& layout, qint64 stride,
                                   const QString& name, QImage& picture)
{
    QImage image(int(layout.width), int(layout.height), QImage::Format_RGB32);
    if (image.isNull())
        return cannotShow(name, QStringLiteral("there is not enough memory for the picture"));
    if (!file.seek(layout.pixelStart))
        return cannotShow(name, file.errorString(), EIO);
    // Rows are read about 1 MiB at a time, so a large drawing is never held twice in memory.
    const qint64 rowsPerBlock = qMax<qint64>(1, (qint64(1) << 20) / stride);
    QByteArray block;
    for (qint64 first = 0; first < layout.height; first += rowsPerBlock) {
        const qint64 rows = qMin(rowsPerBlock, layout.height - first);
        block.resize(rows * stride);
        if (file.read(block.data(), block.size()) != block.size())
            return cannotShow(name, QStringLiteral("the file is cut off (it ends inside its pixel data)"));
        for (qint64 i = 0; i < rows; ++i) {
            const qint64 stored = first + i; // rows in the order the file holds them
            const int y = int(layout.topDown ? stored : layout.height - 1 - stored);
            const auto* source = reinterpret_cast<const uchar*>(block.constData()) + i * stride;
            auto* target = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (qint64 x = 0; x < layout.width; ++x, source += 3)
                target[x] = qRgb(source[2], source[1], source[0]);
        }
    }
    picture = image;
    return std::nullopt;
}

#ifdef Q_OS_UNIX
// Opens a regular file for reading. O_NONBLOCK keeps a named pipe from hanging the window.
std::optional<Failure> openForReading(const QByteArray& path, const QString& name, QFile& file, qint64& size)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        return cannotShow(name, systemReason(err), err);
    }
    struct stat st
    {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = S_ISDIR(st.st_mode) ? EISDIR : (errno ? errno : EINVAL);
        ::close(fd);
        if (err == EISDIR)
            return cannotShow(name, systemReason(err), err);
        return cannotShow(name, QStringLiteral("it is not an ordinary file"), err);
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return cannotShow(name, file.errorString(), EIO);
    }
    size = st.st_size;
    return std::nullopt;
}
#else
std::optional<Failure> openForReading(const QByteArray& nativePath, const QString& name, QFile& file,
                                      qint64& size)
{
    const QString path = QFile::decodeName(nativePath);
    const QFileInfo info(path);
    if (!info.exists())
        return cannotShow(name, systemReason(ENOENT), ENOENT);
    if (info.isDir())
        return cannotShow(name, systemReason(EISDIR), EISDIR);
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return cannotShow(name, systemReason(EACCES), EACCES);
    size = file.size();
    return std::nullopt;
}
#endif

} // namespace

void configurePictureLoading()
{
    QImageReader::setAllocationLimit(AllocationLimitMiB);
}

std::optional<Failure> loadPicture(const QString& path, QImage& picture)
{
    return loadPicture(QFile::encodeName(path), picture);
}

std::optional<Failure> loadPicture(const QByteArray& path, QImage& picture)
{
    const QString shown = QFile::decodeName(path);
    QString name = QFileInfo(shown).fileName();
    if (name.isEmpty())
        name = shown;

    QFile file;
    qint64 size = 0;
    if (auto failure = openForReading(path, name, file, size))
        return failure;
    if (size == 0)
        return cannotShow(name, QStringLiteral("the file is empty"));

    const QByteArray head = file.read(qMin<qint64>(size, FileHeaderSize + LargestHeaderSize + 12));
    if (head.size() < 2 || !head.startsWith("BM")) {
        file.seek(0);
        QImageReader probe(&file);
        probe.setDecideFormatFromContent(true);
        const QByteArray other = probe.format();
        if (!other.isEmpty() && other != "bmp")
            return cannotShow(name, QStringLiteral("it is not a Windows bitmap but a %1 picture")
                                        .arg(QString::fromLatin1(other.toUpper())));
        return cannotShow(name, QStringLiteral("it is not a Windows bitmap"));
    }

    BitmapLayout layout;
    if (auto why = readLayout(head, size, layout))
        return cannotShow(name, *why);
    if (layout.pixelStart >= size)
        return cannotShow(name, QStringLiteral("the file is cut off (it ends before its pixel data)"));

    if (layout.compression == Rle8 || layout.compression == Rle4) {
        // Qt's reader leaves the pixels that the runs skip uninitialised; decode these here.
        QImage image(int(layout.width), int(layout.height), QImage::Format_Indexed8);
        if (image.isNull())
            return cannotShow(name, QStringLiteral("there is not enough memory for the picture"));
        file.seek(layout.paletteStart);
        const QByteArray table = file.read(qint64(layout.colours) * layout.entrySize);
        QList<QRgb> colours(256, qRgb(0, 0, 0));
        for (int i = 0; i < layout.colours; ++i) {
            const char* entry = table.constData() + i * layout.entrySize;
            colours[i] = qRgb(uchar(entry[2]), uchar(entry[1]), uchar(entry[0]));
        }
        image.setColorTable(colours);
        file.seek(layout.pixelStart);
        const QByteArray data = file.readAll();
        if (auto why = decodeRunLengths(data, layout.bitCount, image))
            return cannotShow(name, *why);
        picture = image;
        return std::nullopt;
    }

    // Qt's reader accepts a bitmap whose pixel rows are cut off and fills the rest with whatever
    // memory held; refuse it here instead.
    const qint64 stride = ((layout.width * layout.bitCount + 31) / 32) * 4;
    const qint64 need = stride * layout.height;
    const qint64 have = size - layout.pixelStart;
    if (have < need)
        return cannotShow(name, QStringLiteral("the file is cut off (it holds %1 of %2 bytes of pixel data)")
                                    .arg(have)
                                    .arg(need));

    if (layout.bitCount == 24 && layout.compression == None)
        return decodeRgb24(file, layout, stride, name, picture);

    file.seek(0);
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    if (reader.format() != "bmp")
        return cannotShow(name, QStringLiteral("it is not a Windows bitmap"));
    QImage image;
    if (!reader.read(&image))
        return cannotShow(name, QStringLiteral("it cannot be decoded (%1)").arg(reader.errorString()));
    picture = image;
    return std::nullopt;
}

} // namespace vorlin
