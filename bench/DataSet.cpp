#include "DataSet.h"

#include <QDir>
#include <QFile>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace vorlin::bench {

namespace {

// A small deterministic generator, so that every run works on the same names and pixels.
class Random
{
public:
    explicit Random(std::uint32_t seed) : m_state(seed) {}
    std::uint32_t next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return m_state >> 8;
    }
    template <typename T, std::size_t N> const T& pick(const std::array<T, N>& from)
    {
        return from[next() % N];
    }

private:
    std::uint32_t m_state;
};

constexpr std::array<const char*, 15> Countries{"A", "B",  "CH", "DK", "F",  "FRG", "GDR", "H",
                                                "I", "JP", "NL", "P",  "PL", "SP",  "USA"};
constexpr std::array<const char*, 10> Companies{"FS", "DB", "SBB", "OBB",   "SNCF",
                                                "NS", "CP", "PKP", "RENFE", "JR"};
constexpr std::array<const char*, 13> Types{"D",  "DT", "E",  "EA", "ES", "ET", "FC",
                                            "PC", "V",  "VB", "VT", "VZ", "X"};
constexpr std::array<const char*, 8> Acronyms{"E", "Ae", "Re", "BR", "Ge", "ALn", "Be", "ETR"};
constexpr std::array<const char*, 6> Plain{"loco", "railcar", "wagon", "tram", "sketch", "Scan"};

// The extension of a drawing, now and then in capitals as files from other systems have them.
QByteArray extension(bool bmp, Random& random)
{
    switch (random.next() % 8) {
    case 0:
        return bmp ? ".BMP" : ".DIB";
    case 1:
        return bmp ? ".Bmp" : ".Dib";
    default:
        return bmp ? ".bmp" : ".dib";
    }
}

// The name of drawing serial: mostly conforming names, some plain ones.
QByteArray drawingName(int serial, bool bmp, Random& random)
{
    char name[128];
    if (random.next() % 4 != 0)
        std::snprintf(name, sizeof name, "%s_%s_%s_%s%u_%06d", random.pick(Countries), random.pick(Companies),
                      random.pick(Types), random.pick(Acronyms), random.next() % 1000, serial);
    else
        std::snprintf(name, sizeof name, "%s %06d %s", random.pick(Plain), serial,
                      random.next() % 2 ? "side view" : "copy");
    return QByteArray(name) + extension(bmp, random);
}

// Files that neither list shows, some of them close to a drawing's name.
QByteArray otherName(int serial)
{
    static constexpr std::array<const char*, 8> Patterns{
        "notes_%06d.txt", "photo_%06d.jpg", "scan_%06d.png", "I_FS_E_E626_%06d.bmp.bak",
        "%06d.dibx",      "README_%06d",    "%06d_bmp",      "drawing_%06d.bm"};
    char name[64];
    std::snprintf(name, sizeof name, Patterns[std::size_t(serial) % Patterns.size()], serial);
    return name;
}

bool touch(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool writeAll(int fd, const unsigned char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

void put16(unsigned char* at, std::uint32_t value)
{
    at[0] = value & 0xff;
    at[1] = (value >> 8) & 0xff;
}
void put32(unsigned char* at, std::uint32_t value)
{
    put16(at, value & 0xffff);
    put16(at + 2, value >> 16);
}

// Writes an uncompressed 24-bit bitmap, rows bottom-up, showing stripes and a grid.
bool writeBitmap24(const QString& path, QSize size)
{
    const std::uint32_t width = std::uint32_t(size.width());
    const std::uint32_t height = std::uint32_t(size.height());
    const std::size_t stride = (width * 3 + 3) & ~3u;
    unsigned char header[54] = {'B', 'M'};
    put32(header + 2, std::uint32_t(54 + stride * height));
    put32(header + 10, 54);
    put32(header + 14, 40);
    put32(header + 18, width);
    put32(header + 22, height);
    put16(header + 26, 1);
    put16(header + 28, 24);
    put32(header + 34, std::uint32_t(stride * height));
    put32(header + 38, 3780); // 96 dpi
    put32(header + 42, 3780);

    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, header, sizeof header);
    std::vector<unsigned char> row(stride, 0);
    for (std::uint32_t y = 0; ok && y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const bool grid = x % 50 == 0 || y % 50 == 0;
            row[x * 3 + 0] = grid ? 0x40 : std::uint8_t(x * 7 + y);
            row[x * 3 + 1] = grid ? 0x00 : std::uint8_t(x + y * 3);
            row[x * 3 + 2] = grid ? 0x00 : std::uint8_t((x ^ y) >> 2);
        }
        ok = writeAll(fd, row.data(), row.size());
    }
    return ::close(fd) == 0 && ok;
}

bool fillFolder(DrawingFolder& folder, int drawings, int others, std::uint32_t seed, QString& error)
{
    if (!QDir().mkpath(folder.path)) {
        error = QStringLiteral("cannot make %1").arg(folder.path);
        return false;
    }
    const QByteArray base = QFile::encodeName(folder.path) + '/';
    Random random(seed);
    for (int i = 0; i < drawings; ++i) {
        const bool bmp = i % 2 == 0;
        if (!touch(base + drawingName(i, bmp, random))) {
            error = QStringLiteral("cannot make a file in %1: %2")
                        .arg(folder.path, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        ++(bmp ? folder.bmp : folder.dib);
    }
    for (int i = 0; i < others; ++i) {
        if (!touch(base + otherName(i))) {
            error = QStringLiteral("cannot make a file in %1: %2")
                        .arg(folder.path, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        ++folder.others;
    }
    return true;
}

} // namespace

DataSet::DataSet(const QString& parent) : m_root(QDir(parent).filePath(QStringLiteral("vorlin-bench-XXXXXX")))
{}

std::unique_ptr<DataSet> DataSet::make(const Sizes& sizes, const QString& parent, QString& error)
{
    std::unique_ptr<DataSet> data(new DataSet(parent));
    if (!data->m_root.isValid()) {
        error = QStringLiteral("cannot make a temporary folder in %1: %2")
                    .arg(parent, data->m_root.errorString());
        return nullptr;
    }
    const QDir root(data->root());
    data->home.path = root.filePath(QStringLiteral("home"));
    data->big.path = root.filePath(QStringLiteral("home/drawings-big"));
    data->mid.path = root.filePath(QStringLiteral("home/drawings-mid"));
    data->previews = root.filePath(QStringLiteral("home/previews"));
    if (!QDir().mkpath(data->home.path) || !QDir().mkpath(data->previews)) {
        error = QStringLiteral("cannot make the folders in %1").arg(data->root());
        return nullptr;
    }

    // The home folder holds a few real drawings, few enough that its lists never scroll.
    for (const char* name : {"I_FS_E_E626.bmp", "CH_SBB_E_Ae47.bmp", "FRG_DB_V_V200.bmp"}) {
        if (!writeBitmap24(QDir(data->home.path).filePath(QLatin1String(name)), QSize(64, 32)))
            error = QStringLiteral("cannot write a drawing in %1").arg(data->home.path);
        ++data->home.bmp;
    }
    for (const char* name : {"E626 side.dib", "Ae47.dib", "V200 copy.dib"}) {
        if (!writeBitmap24(QDir(data->home.path).filePath(QLatin1String(name)), QSize(64, 32)))
            error = QStringLiteral("cannot write a drawing in %1").arg(data->home.path);
        ++data->home.dib;
    }
    if (!error.isEmpty())
        return nullptr;

    if (!fillFolder(data->big, sizes.bigDrawings, sizes.bigOthers, 1u, error) ||
        !fillFolder(data->mid, sizes.midDrawings, sizes.midOthers, 2u, error))
        return nullptr;

    data->wideSize = sizes.wide;
    data->hugeSize = sizes.huge;
    data->smallPicture = QStringLiteral("A_OBB_E_1044_small.bmp");
    data->widePicture =
        QStringLiteral("I_FS_E_E626_%1x%2.bmp").arg(sizes.wide.width()).arg(sizes.wide.height());
    data->hugePicture =
        QStringLiteral("I_FS_E_E626_%1x%2.bmp").arg(sizes.huge.width()).arg(sizes.huge.height());
    const QDir previews(data->previews);
    if (!writeBitmap24(previews.filePath(data->smallPicture), QSize(64, 32)) ||
        !writeBitmap24(previews.filePath(data->widePicture), sizes.wide) ||
        !writeBitmap24(previews.filePath(data->hugePicture), sizes.huge)) {
        error = QStringLiteral("cannot write the bitmaps in %1").arg(data->previews);
        return nullptr;
    }
    return data;
}

} // namespace vorlin::bench
