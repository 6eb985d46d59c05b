// vorlin-bench: measures the tool against the raw operation beneath it, on data it makes itself,
// and prints the ratios. Run it with --help for the options.
#include "Window.h"
#include "baseline.h"
#include "platform/FileListBox.h"
#include "platform/PictureBox.h"
#include "ui/frmEdit.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

using namespace vorlin;
using namespace vorlin::bench;

namespace {

struct Sizes
{
    int big = 100000, bigOthers = 5000, mid = 10000, midOthers = 500, million = 1000000,
        millionOthers = 50000;
    QSize wide{2000, 400}, large{8000, 6000}, huge{30000, 20000}, rle{16000, 16000};
    static Sizes tiny()
    {
        return {1000, 50, 100, 5, 5000, 250, {200, 40}, {800, 600}, {3000, 2000}, {1600, 1600}};
    }
};

// The benchmark's files, in a temporary folder removed with this object:
//   home/            the window starts here: three small drawings of each kind
//   home/big, mid    100,000 and 10,000 drawings, with other files
//   home/ten         ten drawings
//   home/million     1,000,000 drawings, only when asked for
//   home/previews    the bitmaps that the preview figures show
class Data
{
public:
    Data(const Sizes& sizes, const QString& parent, bool large);
    static constexpr char RealDrawing[] = "USA_ZZ_X_Z999_A.bmp"; // 64 by 32, last in big, ten and million
    static constexpr int HugeRows = 64; // the huge drawing's top rows; the others are holes, black
    QTemporaryDir dir;
    Folder home, big, mid, ten, million, previews;
    QString small, wide, large, box, huge, rle; // names in previews
};

QString count(qint64 n)
{
    return QLocale(QLocale::English).toString(n);
}

QRgb pixelAt(int x, int y)
{
    if (x % 50 == 0 || y % 50 == 0)
        return qRgb(0, 0, 0x40);
    return qRgb(((x ^ y) >> 2) & 255, (x + y * 3) & 255, (x * 7 + y) & 255);
}

int rleIndex(int x, int y)
{
    return (x / (8 + y % 24) * 7 + y / 16) & 255;
}

QRgb rleColour(int index)
{
    return qRgb(index, 255 - index, index * 37 & 255);
}

std::uint32_t next(std::uint32_t& state)
{
    return (state = state * 1664525u + 1013904223u) >> 8;
}

// Mostly conforming names, some plain ones, extensions now and then in capitals; a small
// deterministic generator makes every run work on the same names.
QByteArray drawingName(int serial, bool bmp, std::uint32_t& state)
{
    static constexpr std::array<const char*, 12> Heads{
        "A_OBB_E_Re",  "B_SNCB_E_E",  "CH_SBB_E_Ae", "DK_DSB_V_ME", "F_SNCF_E_BB", "FRG_DB_V_BR",
        "GDR_DR_D_BR", "I_FS_ET_ALn", "JP_JR_ET_E",  "NL_NS_E_Ge",  "PL_PKP_FC_E", "USA_UP_D_Be"};
    static constexpr std::array<const char*, 6> Plain{"loco", "railcar", "railbus", "tram", "sketch", "Scan"};
    static constexpr const char* Extensions[2][3]{{".BMP", ".Bmp", ".bmp"}, {".DIB", ".Dib", ".dib"}};
    char name[128];
    const char* head = next(state) % 4 ? Heads[next(state) % Heads.size()] : nullptr;
    if (head)
        std::snprintf(name, sizeof name, "%s%u_%06d", head, next(state) % 1000, serial);
    else
        std::snprintf(name, sizeof name, "%s %06d %s", Plain[next(state) % Plain.size()], serial,
                      serial % 2 ? "side view" : "copy");
    return QByteArray(name) + Extensions[bmp ? 0 : 1][std::min(next(state) % 8, 2u)];
}

void touch(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 || ::close(fd) != 0)
        fail("cannot make %s: %s", path.constData(), strerror(errno));
}

// Drawings (empty files, half of them bitmaps), then files that neither list shows, some close to
// a drawing's name.
void fill(Folder& folder, int drawings, int others, std::uint32_t seed)
{
    static constexpr std::array<const char*, 8> Others{
        "notes_%06d.txt", "photo_%06d.jpg", "scan_%06d.png", "I_FS_E_E626_%06d.bmp.bak",
        "%06d.dibx",      "README_%06d",    "%06d_bmp",      "drawing_%06d.bm"};
    QDir().mkpath(folder.path);
    const QByteArray base = QFile::encodeName(folder.path) + '/';
    for (int i = 0; i < drawings; ++i) {
        touch(base + drawingName(i, i % 2 == 0, seed));
        ++(i % 2 == 0 ? folder.bmp : folder.dib);
        if (drawings >= 1000000 && (i + 1) % 100000 == 0)
            std::fprintf(stderr, "vorlin-bench: made %s of %s drawings\n", qPrintable(count(i + 1)),
                         qPrintable(count(drawings)));
    }
    char name[64];
    for (; folder.others < others; ++folder.others) {
        std::snprintf(name, sizeof name, Others[std::size_t(folder.others) % Others.size()], folder.others);
        touch(base + name);
    }
}

// Writes bytes at offset at, opening the file first; a write past the end leaves a hole.
void write(QFile& file, qint64 at, const QByteArray& bytes)
{
    if ((!file.isOpen() && !file.open(QIODevice::WriteOnly)) || !file.seek(at) ||
        file.write(bytes) != bytes.size())
        fail("cannot write %s: %s", qPrintable(file.fileName()), qPrintable(file.errorString()));
}

QByteArray header(QSize size, int bits, int compression, int colours, qint64 imageSize)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("BM", 2);
    out << quint32(54 + 4 * colours + imageSize) << quint32(0) << quint32(54 + 4 * colours) << quint32(40)
        << qint32(size.width()) << qint32(size.height()) << quint16(1) << quint16(bits)
        << quint32(compression) << quint32(imageSize) << quint32(3780) << quint32(3780) << quint32(colours)
        << quint32(0); // 96 dpi
    return bytes;
}

// An uncompressed 24-bit bitmap. Only its top rows are written; the others are left as holes that
// read as black, so that a huge drawing takes little disk.
void writeBitmap(const QString& path, QSize size, int rows = INT_MAX)
{
    QFile file(path);
    const qint64 stride = (qint64(size.width()) * 3 + 3) & ~qint64(3);
    write(file, 0, header(size, 24, 0, 0, stride * size.height()));
    QByteArray row(stride, '\0');
    for (int y = 0; y < std::min(rows, size.height()); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const QRgb rgb = pixelAt(x, y); // little-endian: blue, green, red, alpha
            std::memcpy(row.data() + 3 * x, &rgb, 3);
        }
        write(file, 54 + stride * (size.height() - 1 - y), row); // rows are stored bottom-up
    }
}

// An RLE8 bitmap of runs of 8 to 31 pixels.
void writeRle8(const QString& path, QSize size)
{
    QByteArray palette, runs;
    for (int i = 0; i < 256; ++i) {
        const QRgb entry = rleColour(i) & 0xffffff; // little-endian: blue, green, red, 0
        palette.append(reinterpret_cast<const char*>(&entry), 4);
    }
    for (int y = size.height() - 1; y >= 0; --y) {
        for (int x = 0, length = 1; x < size.width(); x += length, length = 1) {
            while (x + length < size.width() && length < 255 && rleIndex(x + length, y) == rleIndex(x, y))
                ++length;
            runs.append(char(length)).append(char(rleIndex(x, y)));
        }
        runs.append(2, '\0'); // end of the row
    }
    runs.append('\0').append('\1'); // end of the picture
    QFile file(path);
    write(file, 0, header(size, 8, 1, 256, runs.size()) + palette + runs);
}

QString sized(QSize size, const char* kind = "")
{
    return QString::asprintf("I_FS_E_E626_%dx%d%s.bmp", size.width(), size.height(), kind);
}

Data::Data(const Sizes& sizes, const QString& parent, bool large)
    : dir(QDir(parent).filePath(QStringLiteral("vorlin-bench-XXXXXX")))
{
    if (!dir.isValid())
        fail("cannot make a temporary folder in %s: %s", qPrintable(parent), qPrintable(dir.errorString()));
    Folder* folders[]{&home, &big, &mid, &ten, &million, &previews};
    const char* names[]{"", "/big", "/mid", "/ten", "/million", "/previews"};
    for (int i = 0; i < 6; ++i)
        QDir().mkpath(folders[i]->path = dir.path() + "/home" + names[i]);
    // The home folder holds a few real drawings, few enough that its lists never scroll.
    for (const char* name : {"I_FS_E_E626.bmp", "CH_SBB_E_Ae47.bmp", "FRG_DB_V_V200.bmp", "E626 side.dib",
                             "Ae47.dib", "V200 copy.dib"}) {
        writeBitmap(QDir(home.path).filePath(QLatin1String(name)), {64, 32});
        ++(QByteArray(name).endsWith(".bmp") ? home.bmp : home.dib);
    }
    fill(big, sizes.big, sizes.bigOthers, 1u);
    fill(mid, sizes.mid, sizes.midOthers, 2u);
    fill(ten, 9, 0, 3u);
    if (large) {
        std::fprintf(stderr, "vorlin-bench: making %s files for the large figures\n",
                     qPrintable(count(sizes.million + sizes.millionOthers)));
        fill(million, sizes.million, sizes.millionOthers, 4u);
    }
    for (Folder* folder : {&big, &ten, &million}) {
        writeBitmap(QDir(folder->path).filePath(QLatin1String(RealDrawing)), {64, 32});
        ++folder->bmp;
    }
    const QDir at(previews.path);
    writeBitmap(at.filePath(small = QStringLiteral("A_OBB_E_1044_small.bmp")), {64, 32});
    writeBitmap(at.filePath(wide = sized(sizes.wide)), sizes.wide);
    writeBitmap(at.filePath(this->large = sized(sizes.large)), sizes.large);
    writeBitmap(at.filePath(box = sized({311, 63})), {311, 63});
    writeBitmap(at.filePath(huge = sized(sizes.huge)), sizes.huge, HugeRows);
    writeRle8(at.filePath(rle = sized(sizes.rle, "_rle8")), sizes.rle);
    previews.bmp = 6;
}

// One figure: each run gives one sample per row. A ratio is the first row's median over the
// second's; a memory figure (unit "MiB") is the first row's median. On its first run a figure
// checks that both sides did the same work.
struct Figure
{
    QString name;
    double goal;
    QString title;
    QStringList rows;
    std::function<std::vector<double>(bool check)> run;
    const char* unit = "";
    int leastRuns = 0;
    std::vector<std::vector<double>> samples = {};
    std::vector<double> ratios = {}; // run by run
    double value = 0;
    QString refused = {};
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : (v[(v.size() - 1) / 2] + v[v.size() / 2]) / 2;
}

void measure(Figure& figure, int warmups, int runs)
{
    figure.samples.assign(std::size_t(figure.rows.size()), {});
    try {
        for (int i = 0; i < warmups + std::max(runs, figure.leastRuns); ++i) {
            const std::vector<double> sample = figure.run(i == 0);
            for (std::size_t row = 0; i >= warmups && row < sample.size(); ++row)
                figure.samples[row].push_back(sample[row]);
            if (i >= warmups && !*figure.unit)
                figure.ratios.push_back(sample[0] / sample[1]);
        }
        figure.value = median(figure.samples[0]) / (*figure.unit ? 1 : median(figure.samples[1]));
    } catch (const Failed& failed) {
        if (!failed.refused)
            throw;
        figure.refused = failed.why;
    }
}

void print(const Figure& f)
{
    std::printf("\n%s\n  %-66s %10s %10s %10s\n", qPrintable(f.title), "", "median", "min", "max");
    const char* unit = *f.unit ? f.unit : "ms";
    for (std::size_t row = 0; row < f.samples.size() && !f.samples[row].empty(); ++row) {
        const auto [min, max] = std::minmax_element(f.samples[row].begin(), f.samples[row].end());
        std::printf("  %-66s %7.2f %-3s%7.2f %-3s%7.2f %-3s\n", qPrintable(f.rows[int(row)]),
                    median(f.samples[row]), unit, *min, unit, *max, unit);
    }
    const QString value =
        !f.refused.isEmpty() ? " NOT SHOWN: " + f.refused
        : *f.unit            ? QString::asprintf(" = %.1f %s", f.value, f.unit)
                  : QString::asprintf(" = %.3g (ratio of medians; run by run %.3g to %.3g)", f.value,
                                      *std::min_element(f.ratios.begin(), f.ratios.end()),
                                      *std::max_element(f.ratios.begin(), f.ratios.end()));
    const QString goal = *f.unit ? QString::asprintf("%.1f %s", f.goal, f.unit) : QString::number(f.goal);
    std::printf("  %s%s; goal at most %s: %s\n", qPrintable(f.name), qPrintable(value), qPrintable(goal),
                f.refused.isEmpty() && f.value <= f.goal ? "met" : "MISSED");
}

// A path in the file system's encoding, valid until the end of the full expression.
const char* native(const Folder& folder, const QString& name, QByteArray&& path = {})
{
    return (path = QFile::encodeName(QDir(folder.path).filePath(name))).constData();
}

double timed(const std::function<void()>& step)
{
    const double start = now();
    step();
    return now() - start;
}

struct Names : bench_names
{
    Names() : bench_names{} {}
    ~Names() { bench_free_names(this); }
};

void listDrawings(const Folder& folder, Names& bmp, Names& dib)
{
    if (const int error = bench_list_drawings(QFile::encodeName(folder.path).constData(), &bmp, &dib))
        fail("the C loop cannot read %s: %s", qPrintable(folder.path), strerror(error));
}

// Both lists show what the C loop lists, in the same order.
void sameLists(const Window& window, const Names& bmp, const Names& dib)
{
    for (const auto& [list, names] : {std::pair{window.File2, &bmp}, std::pair{window.File1, &dib}}) {
        QStringList expected;
        for (std::size_t i = 0; i < names->count; ++i)
            expected << QFile::decodeName(names->items[i]);
        for (int i = 0; i < std::max(list->listCount(), int(expected.size())); ++i)
            if (list->list(i) != expected.value(i))
                fail("%s shows \"%s\" as entry %d, the C loop \"%s\"", qPrintable(list->objectName()),
                     qPrintable(list->list(i)), i, qPrintable(expected.value(i)));
    }
}

// The box holds at least its visible part of the drawing, and every pixel it holds is right.
void samePixels(const PictureBox* box, QSize drawing, const std::function<QRgb(int, int)>& expected)
{
    const QImage shown = box->picture().convertToFormat(QImage::Format_RGB32);
    const QSize visible = drawing.boundedTo(box->contentsRect().size());
    if (shown.width() < visible.width() || shown.height() < visible.height())
        fail("picBmp holds %d by %d pixels of a %d by %d drawing", shown.width(), shown.height(),
             drawing.width(), drawing.height());
    for (int y = 0; y < std::min(shown.height(), drawing.height()); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
        for (int x = 0; x < std::min(shown.width(), drawing.width()); ++x)
            if ((line[x] ^ expected(x, y)) & 0xffffff)
                fail("picBmp shows pixel (%d, %d) of a %d by %d drawing as #%06x, not #%06x", x, y,
                     drawing.width(), drawing.height(), line[x] & 0xffffff, expected(x, y) & 0xffffff);
    }
}

} // namespace

int main(int argc, char** argv)
{
    // Headless unless told otherwise; the child processes always run offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 2 && std::strcmp(argv[1], "--child") == 0)
        return childMain(argc, argv);
    QApplication app(argc, argv);
    setUpAsTheProgram();
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Measures Vorlin against the plain operations beneath it. Prints a table, "
        "then one line per figure: its name and value, or \"refused\".");
    parser.addHelpOption();
    parser.addOptions({{"tiny", "Small data and one run after the warm-up (a smoke test)."},
                       {"large", "Also the figures of 1,000,000 drawings."},
                       {"runs", "Measured runs of every figure (default 5; 1 with --tiny).", "N", "5"},
                       {"data", "Where to make the temporary data.", "FOLDER", QDir::tempPath()},
                       {"only", "Run only these figures, e.g. for profiling.", "NAMES,..."}});
    parser.process(app);
    const bool tiny = parser.isSet("tiny");
    const int runs = parser.isSet("runs") || !tiny ? parser.value("runs").toInt() : 1;
    const int warmups = 1; // an unmeasured run first
    const QStringList only = parser.value("only").split(u',', Qt::SkipEmptyParts);
    if (runs < 1)
        parser.showHelp(2);
    const QStringList large{"folder_1m_ratio", "memory_1m_mb"};
    auto wanted = [&](const QString& name) {
        // The goal of the 1,000,000-drawing memory figure is a multiple of the 100,000 one.
        return only.isEmpty() ? parser.isSet("large") || !large.contains(name)
                              : only.contains(name) || (name == "memory_100k_mb" && only.contains(large[1]));
    };
    const Sizes sizes = tiny ? Sizes::tiny() : Sizes();
    try {
        const double making = now();
        auto owned =
            std::make_unique<Data>(sizes, parser.value("data"), wanted(large[0]) || wanted(large[1]));
        Data& data = *owned;
        std::fprintf(stderr, "vorlin-bench: made the data in %s in %.1f s\n", qPrintable(data.dir.path()),
                     (now() - making) / 1000);
        if (!QDir::setCurrent(data.home.path))
            fail("cannot change to %s", qPrintable(data.home.path));
        auto window = std::make_unique<Window>(data.home);
        Window& win = *window;

        std::vector<Figure> figures; // in the order they run and print
        auto add = [&](const char* name, double goal, const QString& title, const QStringList& rows,
                       const std::function<std::vector<double>(bool)>& run, const char* unit = "",
                       int leastRuns = 0) {
            figures.push_back({name, goal, title, rows, run, unit, leastRuns});
        };
        auto folder = [&](const char* name, double goal, const Folder& at) {
            add(name, goal,
                QStringLiteral("Opening a folder of %1 drawings (%2 .bmp, %3 .dib) and %4 other files")
                    .arg(count(at.drawings()), count(at.bmp), count(at.dib), count(at.others)),
                {"frmEdit: set dirSourceBMP path, until both lists painted",
                 "C: opendir/readdir, split by suffix, qsort both lists"},
                [&, folder = &at](bool check) {
                    Names bmp, dib;
                    const double c = timed([&] { listDrawings(*folder, bmp, dib); });
                    const double shown = win.open(*folder);
                    if (check)
                        sameLists(win, bmp, dib);
                    win.open(data.home);
                    return std::vector{shown, c};
                });
        };
        auto preview = [&](const char* name, double goal, const QString& drawing, QSize size) {
            add(name, goal,
                QStringLiteral("Showing a %1 by %2, 24-bit bitmap picked in File2, over decoding all of it "
                               "(the box decodes only what it shows)")
                    .arg(count(size.width()), count(size.height())),
                {"frmEdit: File2_Click until picBmp repainted",
                 "C: read(), convert all its BGR rows to 32-bit pixels"},
                [&, drawing, size](bool check) {
                    win.open(data.previews);
                    win.show(data.small); // each run replaces a small drawing, as the user goes on
                    const double shown = win.show(drawing);
                    int width = 0, height = 0;
                    std::unique_ptr<uint32_t, decltype(&free)> pixels(nullptr, free);
                    const double c = timed([&] {
                        pixels.reset(bench_decode_bmp24(native(data.previews, drawing), &width, &height));
                    });
                    if (!pixels || QSize(width, height) != size)
                        fail("the C decoder cannot read %s", qPrintable(drawing));
                    if (check)
                        samePixels(win.picBmp, size,
                                   [&](int x, int y) { return pixels.get()[y * width + x]; });
                    return std::vector{shown, c};
                });
        };
        auto memory = [&](const char* name, double goal, const QString& what, const Folder& at,
                          const QString& drawing = {}) {
            add(
                name, goal, "Resident memory growth " + what + ", fresh child per run",
                {"VmRSS growth", "VmHWM growth (peak), for information"},
                [&, folder = &at, drawing](bool) {
                    QStringList arguments{"--child", "memory", folder->path, QString::number(folder->bmp),
                                          QString::number(folder->dib)};
                    QByteArray mib;
                    runChild(drawing.isEmpty() ? arguments : arguments << drawing, data.home.path, &mib);
                    const QList<QByteArray> v = mib.trimmed().split(' ');
                    if (v.size() != 2)
                        fail("the memory child printed \"%s\"", mib.constData());
                    return std::vector{v[0].toDouble(), v[1].toDouble()};
                },
                "MiB");
        };

        folder("folder_100k_ratio", 1.5, data.big);
        folder("folder_10k_ratio", 2.0, data.mid);
        folder("folder_1m_ratio", 1.3, data.million);
        add("rename_100k_ratio", 1.3,
            "Rename! in a folder of " + count(data.big.drawings()) +
                " drawings, until both lists show the new name",
            {"frmEdit: press cmdRD, until both lists painted with the new name",
             "C: renameat2, then opendir/readdir and qsort both lists"},
            [&](bool check) {
                const QString renamed = QStringLiteral("USA_ZZ_X_Z999_B.bmp");
                win.open(data.big);
                const double shown = win.rename(Data::RealDrawing, "B", renamed, data.big);
                Names bmp, dib, cBmp, cDib;
                if (check) {
                    listDrawings(data.big, bmp, dib);
                    sameLists(win, bmp, dib);
                }
                const double c = timed([&] { // the C side renames it back
                    if (const int error =
                            bench_rename(native(data.big, renamed), native(data.big, Data::RealDrawing)))
                        fail("renameat2 failed: %s", strerror(error));
                    listDrawings(data.big, cBmp, cDib);
                });
                win.File1->refresh();
                win.File2->refresh();
                settle();
                return std::vector{shown, c};
            });
        add(
            "click_100k_ratio", 1.5,
            QStringLiteral("Clicking the last entry of File2 in a folder of %1 drawings, over a folder of %2")
                .arg(count(data.big.drawings()), count(data.ten.drawings())),
            {"frmEdit: mouse click, large folder, until picBmp repainted",
             "frmEdit: mouse click, folder of 10, until picBmp repainted"},
            [&](bool check) {
                std::vector<double> times;
                for (const Folder* folder : {&data.big, &data.ten}) {
                    win.open(*folder);
                    times.push_back(win.clickLast());
                    if (check && (win.frm->strFile() != QLatin1String(Data::RealDrawing) ||
                                  win.File2->listIndex() != win.File2->listCount() - 1))
                        fail("the click in %s did not pick its last entry", qPrintable(folder->path));
                    if (check)
                        samePixels(win.picBmp, {64, 32}, pixelAt);
                }
                return times;
            },
            "", tiny ? 0 : 21); // a click takes well under a millisecond: more runs steady the median
        preview("preview_2000x400_ratio", 3.5, data.wide, sizes.wide);
        preview("preview_8000x6000_ratio", 1.8, data.large, sizes.large);
        add("preview_huge_ratio", 3,
            QStringLiteral("Showing a %1 by %2, 24-bit bitmap, over one of 311 by 63")
                .arg(count(sizes.huge.width()), count(sizes.huge.height())),
            {"frmEdit: File2_Click on it until picBmp repainted",
             "frmEdit: File2_Click on the small one until picBmp repainted"},
            [&](bool check) {
                win.open(data.previews);
                const double huge = win.show(data.huge);
                if (check)
                    samePixels(win.picBmp, sizes.huge, [](int x, int y) {
                        return y < Data::HugeRows ? pixelAt(x, y) : qRgb(0, 0, 0);
                    });
                const double box = win.show(data.box);
                if (check)
                    samePixels(win.picBmp, {311, 63}, pixelAt);
                return std::vector{huge, box};
            });
        add("preview_huge_rle_ratio", 2,
            QStringLiteral("Showing a %1 by %2 RLE8 bitmap (%3 bytes), over reading its file")
                .arg(count(sizes.rle.width()), count(sizes.rle.height()),
                     count(QFileInfo(native(data.previews, data.rle)).size())),
            {"frmEdit: File2_Click until picBmp repainted", "C: one read() of the whole file"},
            [&](bool check) {
                win.open(data.previews);
                win.show(data.small);
                const double shown = win.show(data.rle);
                if (check)
                    samePixels(win.picBmp, sizes.rle, [](int x, int y) { return rleColour(rleIndex(x, y)); });
                std::size_t size = 0;
                unsigned char* bytes = nullptr;
                const double c =
                    timed([&] { bytes = bench_read_file(native(data.previews, data.rle), &size); });
                free(bytes);
                if (!bytes)
                    fail("cannot read %s", qPrintable(data.rle));
                return std::vector{shown, c};
            });
        add(
            "startup_ratio", 1.3, "Start-up to the first paint, whole child process",
            {"process: frmEdit, Form_Load, show, first paint, exit",
             "process: empty QMainWindow, show, first paint, exit",
             "for information: the same with one QLabel of text"},
            [&](bool) {
                std::vector<double> times;
                for (const char* kind : {"frmedit", "empty", "text"})
                    times.push_back(runChild({"--child", "startup", kind}, data.home.path));
                return times;
            },
            "", tiny ? 0 : 21);
        memory("memory_100k_mb", 16, "opening the folder of " + count(data.big.drawings()) + " drawings",
               data.big);
        memory("memory_1m_mb", 0,
               "opening the folder of " + count(data.million.drawings()) +
                   " drawings (goal: 10.5 times memory_100k_mb)",
               data.million);
        memory("preview_huge_mb", 16,
               "showing the " + count(sizes.huge.width()) + " by " + count(sizes.huge.height()) + " drawing",
               data.previews, data.huge);

        std::erase_if(figures, [&](const Figure& f) { return !wanted(f.name); });
        if (figures.empty())
            fail("--only names no figure");
        for (Figure& figure : figures) {
            std::fprintf(stderr, "vorlin-bench: %s\n", qPrintable(figure.name));
            if (figure.name == large[1])
                figure.goal = 10.5 * (&figure - 1)->value; // memory_100k_mb, which runs just before
            measure(figure, warmups, runs);
        }
        window.reset();
        std::fprintf(stderr, "vorlin-bench: removing the data\n");
        QDir::setCurrent(QDir::tempPath());
        owned.reset();
        std::printf("Vorlin benchmark: %s sizes, %d measured runs after %d unmeasured; Qt platform \"%s\"\n",
                    tiny ? "tiny" : "full", runs, warmups, qPrintable(QGuiApplication::platformName()));
        for (const Figure& figure : figures)
            print(figure);
        std::printf("\n");
        for (const Figure& figure : figures)
            std::printf("%s %s\n", qPrintable(figure.name),
                        figure.refused.isEmpty()
                            ? qPrintable(*figure.unit ? QString::number(figure.value, 'f', 1)
                                                      : QString::number(figure.value, 'g', 3))
                            : "refused");
        return 0;
    } catch (const Failed& failed) {
        std::fflush(stdout);
        std::fprintf(stderr, "vorlin-bench: %s\n", qPrintable(failed.why));
        return 1;
    }
}
