// vorlin-bench: measures the tool against the raw operation beneath it, on data it makes itself,
// and prints the ratios. Run it with --help for the options.

#include "Children.h"
#include "DataSet.h"
#include "Stats.h"
#include "WindowDriver.h"
#include "baseline.h"
#include "platform/DirListBox.h"
#include "platform/FileListBox.h"
#include "platform/PictureBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

using namespace vorlin;
using namespace vorlin::bench;

namespace {

struct Options
{
    bool tiny = false;
    int runs = 5;
    int warmups = 1;
    QString dataParent;
    QStringList only; // figures to run; all when empty
};

// One measured quantity of a figure, with its unit ("ms" or "MiB").
struct Row
{
    QString label;
    QString unit;
    Series series;
};

struct Figure
{
    Figure(const char* name, const QString& title, double goal, const char* unit = "")
        : name(name), title(title), goal(goal), unit(unit), decimals(*unit ? 1 : 2)
    {}

    const char* name;
    QString title;
    double goal;      // the value is to be at most this
    const char* unit; // of the value and the goal; empty for a ratio
    int decimals;
    std::vector<Row> rows;
    Series pairedRatios; // product over baseline, run by run
    double value = 0;
    QString information; // printed below the figure
};

QString count(int n)
{
    QLocale english(QLocale::English);
    return english.toString(n);
}

// Compares what the two file lists show with the baseline's lists: same names, and (reported,
// not fatal) the same order.
bool sameLists(const FileListBox* list, const bench_names& names, QString& error, QString& note)
{
    if (list->listCount() != int(names.count)) {
        error = QStringLiteral("%1 lists %2 entries, the C loop %3")
                    .arg(list->objectName())
                    .arg(list->listCount())
                    .arg(names.count);
        return false;
    }
    QStringList shown, expected;
    for (int i = 0; i < list->listCount(); ++i) {
        shown << list->list(i);
        expected << QFile::decodeName(names.items[i]);
    }
    if (shown != expected && note.isEmpty()) {
        const qsizetype at =
            std::mismatch(shown.begin(), shown.end(), expected.begin()).first - shown.begin();
        note =
            QStringLiteral("%1 orders its entries differently from strcasecmp (entry %2: \"%3\", C: \"%4\")")
                .arg(list->objectName())
                .arg(at)
                .arg(shown[at], expected[at]);
    }
    shown.sort();
    expected.sort();
    if (shown != expected) {
        error = QStringLiteral("%1 lists other names than the C loop").arg(list->objectName());
        return false;
    }
    return true;
}

bool samePixels(const QImage& shown, const bench_pixels& pixels, QString& error)
{
    if (shown.width() != pixels.width || shown.height() != pixels.height) {
        error = QStringLiteral("picBmp shows %1 by %2 pixels, the C decoder made %3 by %4")
                    .arg(shown.width())
                    .arg(shown.height())
                    .arg(pixels.width)
                    .arg(pixels.height);
        return false;
    }
    const QImage rgb = shown.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        const std::uint32_t* expected = pixels.argb + std::size_t(y) * std::size_t(pixels.width);
        for (int x = 0; x < rgb.width(); ++x) {
            if ((line[x] & 0xffffffu) != (expected[x] & 0xffffffu)) {
                error = QStringLiteral("picBmp shows pixel (%1, %2) as #%3, the C decoder as #%4")
                            .arg(x)
                            .arg(y)
                            .arg(line[x] & 0xffffffu, 6, 16, QLatin1Char('0'))
                            .arg(expected[x] & 0xffffffu, 6, 16, QLatin1Char('0'));
                return false;
            }
        }
    }
    return true;
}

class Benchmark
{
public:
    Benchmark(const Options& options, DataSet& data) : m_options(options), m_data(data) {}

    bool folder(Figure& figure, WindowDriver& driver, const DrawingFolder& folder);
    bool preview(Figure& figure, WindowDriver& driver, const QString& name, QSize size);
    bool startup(Figure& figure);
    bool memory(Figure& figure);

    QString error;
    QStringList notes;

private:
    int iterations() const { return m_options.warmups + m_options.runs; }
    bool measured(int iteration) const { return iteration >= m_options.warmups; }

    const Options& m_options;
    DataSet& m_data;
};

bool Benchmark::folder(Figure& figure, WindowDriver& driver, const DrawingFolder& folder)
{
    figure.rows = {{QStringLiteral("frmEdit: set dirSourceBMP path, until both lists painted"), "ms", {}},
                   {QStringLiteral("C: opendir/readdir, split by suffix, qsort both lists"), "ms", {}}};
    const QByteArray path = QFile::encodeName(folder.path);
    QString note;
    for (int i = 0; i < iterations(); ++i) {
        bench_names bmp{}, dib{};
        const Stopwatch cClock;
        const int err = bench_list_drawings(path.constData(), &bmp, &dib);
        const double c = cClock.elapsedMs();

        const Stopwatch windowClock;
        bool ok = err == 0 && driver.openFolder(folder);
        const double window = windowClock.elapsedMs();
        if (err)
            error = QStringLiteral("the C loop cannot read %1: %2")
                        .arg(folder.path, QString::fromLocal8Bit(std::strerror(err)));
        else if (!ok)
            error = driver.error();
        else if (i == 0)
            ok = sameLists(driver.File2, bmp, error, note) && sameLists(driver.File1, dib, error, note);
        bench_free_names(&bmp);
        bench_free_names(&dib);
        if (!ok)
            return false;
        if (!driver.openFolder(m_data.home)) {
            error = driver.error();
            return false;
        }
        settle();
        if (measured(i)) {
            figure.rows[0].series.add(window);
            figure.rows[1].series.add(c);
            figure.pairedRatios.add(window / c);
        }
    }
    if (!note.isEmpty())
        notes << note;
    figure.value = figure.rows[0].series.median() / figure.rows[1].series.median();
    return true;
}

bool Benchmark::preview(Figure& figure, WindowDriver& driver, const QString& name, QSize size)
{
    figure.rows = {{QStringLiteral("frmEdit: File2_Click until picBmp repainted"), "ms", {}},
                   {QStringLiteral("C: read(), convert BGR rows to 32-bit pixels"), "ms", {}}};
    const DrawingFolder previews{m_data.previews, 3, 0, 0};
    if (driver.dirSourceBMP->path() != previews.path && !driver.openFolder(previews)) {
        error = driver.error();
        return false;
    }
    const QByteArray path = QFile::encodeName(QDir(m_data.previews).filePath(name));
    for (int i = 0; i < iterations(); ++i) {
        // Each run replaces a small drawing, as when the user moves on from one drawing to the next.
        if (!driver.selectBitmap(m_data.smallPicture) || !driver.clickBitmap(QSize(64, 32)) ||
            !driver.selectBitmap(name)) {
            error = driver.error();
            return false;
        }
        settle();
        const Stopwatch windowClock;
        if (!driver.clickBitmap(size)) {
            error = driver.error();
            return false;
        }
        const double window = windowClock.elapsedMs();
        settle();

        bench_pixels pixels{};
        const Stopwatch cClock;
        const int failed = bench_decode_bmp24(path.constData(), &pixels);
        const double c = cClock.elapsedMs();
        bool ok = !failed;
        if (failed)
            error = QStringLiteral("the C decoder cannot read %1").arg(name);
        else if (i == 0)
            ok = samePixels(driver.picBmp->picture(), pixels, error);
        bench_free_pixels(&pixels);
        if (!ok)
            return false;
        if (measured(i)) {
            figure.rows[0].series.add(window);
            figure.rows[1].series.add(c);
            figure.pairedRatios.add(window / c);
        }
    }
    // Let go of the large picture before the next figure.
    if (!driver.selectBitmap(m_data.smallPicture) || !driver.clickBitmap(QSize(64, 32))) {
        error = driver.error();
        return false;
    }
    figure.value = figure.rows[0].series.median() / figure.rows[1].series.median();
    return true;
}

bool Benchmark::startup(Figure& figure)
{
    figure.rows = {{QStringLiteral("process: frmEdit, Form_Load, show, first paint, exit"), "ms", {}},
                   {QStringLiteral("process: empty QMainWindow, show, first paint, exit"), "ms", {}},
                   {QStringLiteral("for information: the same with one QLabel of text"), "ms", {}}};
    const QString log = QDir(m_data.root()).filePath(QStringLiteral("child.log"));
    for (int i = 0; i < iterations(); ++i) {
        const auto window = timeChild(ChildFrmEdit, {}, log, error);
        if (!window)
            return false;
        const auto empty = timeChild(ChildEmpty, {}, log, error);
        if (!empty)
            return false;
        const auto text = timeChild(ChildText, {}, log, error);
        if (!text)
            return false;
        if (measured(i)) {
            figure.rows[0].series.add(*window);
            figure.rows[1].series.add(*empty);
            figure.rows[2].series.add(*text);
            figure.pairedRatios.add(*window / *empty);
        }
    }
    figure.value = figure.rows[0].series.median() / figure.rows[1].series.median();
    figure.information = QStringLiteral("frmEdit over the window with one label: %1")
                             .arg(figure.rows[0].series.median() / figure.rows[2].series.median(), 0, 'f', 2);
    return true;
}

bool Benchmark::memory(Figure& figure)
{
    figure.rows = {{QStringLiteral("VmRSS growth, opening the folder in a fresh process"), "MiB", {}},
                   {QStringLiteral("VmHWM growth (peak), for information"), "MiB", {}}};
    for (int i = 0; i < iterations(); ++i) {
        const auto growth = measureMemoryInChild(m_data.home, m_data.big, error);
        if (!growth)
            return false;
        if (measured(i)) {
            figure.rows[0].series.add(growth->residentMiB);
            figure.rows[1].series.add(growth->peakMiB);
        }
    }
    figure.value = figure.rows[0].series.median();
    return true;
}

void printFigure(const Figure& figure)
{
    std::printf("\n%s\n", qPrintable(figure.title));
    std::printf("  %-60s %10s %10s %10s\n", "", "median", "min", "max");
    for (const Row& row : figure.rows) {
        const QByteArray unit = row.unit.toLatin1();
        std::printf("  %-60s %7.2f %-3s%7.2f %-3s%7.2f %-3s\n", qPrintable(row.label), row.series.median(),
                    unit.constData(), row.series.min(), unit.constData(), row.series.max(), unit.constData());
    }
    const bool met = figure.value <= figure.goal;
    if (!figure.pairedRatios.empty())
        std::printf("  %s = %.*f (ratio of medians; run by run %.2f to %.2f); goal at most %.1f: %s\n",
                    figure.name, figure.decimals, figure.value, figure.pairedRatios.min(),
                    figure.pairedRatios.max(), figure.goal, met ? "met" : "MISSED");
    else
        std::printf("  %s = %.*f %s; goal at most %g %s: %s\n", figure.name, figure.decimals, figure.value,
                    figure.unit, figure.goal, figure.unit, met ? "met" : "MISSED");
    if (!figure.information.isEmpty())
        std::printf("  (%s)\n", qPrintable(figure.information));
}

void usage(std::FILE* to)
{
    std::fprintf(to, "Usage: vorlin-bench [--tiny] [--runs N] [--warmups N] [--data FOLDER] [--only NAMES]\n"
                     "  --tiny         small data and one run after the warm-up (a smoke test)\n"
                     "  --runs N       measured runs of every figure (default 5; 1 with --tiny)\n"
                     "  --warmups N    unmeasured runs first (default 1)\n"
                     "  --data FOLDER  where to make the temporary data (default: the system's temp folder)\n"
                     "  --only NAMES   run only these figures (names joined by commas), e.g. for profiling\n"
                     "Prints a table, then one line per figure: name value.\n");
}

bool parse(int argc, char** argv, Options& options)
{
    bool runsGiven = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        auto number = [&](int& into, int least) {
            if (i + 1 >= argc)
                return false;
            char* end = nullptr;
            const long value = std::strtol(argv[++i], &end, 10);
            if (*end || value < least || value > 1000)
                return false;
            into = int(value);
            return true;
        };
        if (std::strcmp(arg, "--tiny") == 0)
            options.tiny = true;
        else if (std::strcmp(arg, "--runs") == 0 && number(options.runs, 1))
            runsGiven = true;
        else if (std::strcmp(arg, "--warmups") == 0 && number(options.warmups, 0))
            continue;
        else if (std::strcmp(arg, "--data") == 0 && i + 1 < argc)
            options.dataParent = QFile::decodeName(argv[++i]);
        else if (std::strcmp(arg, "--only") == 0 && i + 1 < argc)
            options.only = QString::fromLocal8Bit(argv[++i]).split(QLatin1Char(','), Qt::SkipEmptyParts);
        else
            return false;
    }
    if (options.tiny && !runsGiven)
        options.runs = 1;
    return true;
}

int fail(const QString& why)
{
    std::fflush(stdout);
    std::fprintf(stderr, "vorlin-bench: %s\n", qPrintable(why));
    return 1;
}

void progress(const char* what)
{
    std::fprintf(stderr, "vorlin-bench: %s\n", what);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], ChildFrmEdit) == 0)
        return runStartupChild(StartupWindow::FrmEdit, argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], ChildEmpty) == 0)
        return runStartupChild(StartupWindow::Empty, argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], ChildText) == 0)
        return runStartupChild(StartupWindow::Text, argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], ChildMemory) == 0) {
        QStringList arguments;
        for (int i = 2; i < argc; ++i)
            arguments << QFile::decodeName(argv[i]);
        DrawingFolder home, big;
        if (!memoryChildFolders(arguments, home, big))
            return 2;
        return runMemoryChild(argc, argv, home, big);
    }

    Options options;
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        usage(stdout);
        return 0;
    }
    if (!parse(argc, argv, options)) {
        usage(stderr);
        return 2;
    }
    // Headless unless told otherwise; the child processes always run offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setUpAsTheProgram();
    if (options.dataParent.isEmpty())
        options.dataParent = QDir::tempPath();

    const Sizes sizes = options.tiny ? Sizes::tiny() : Sizes();
    progress("making the data");
    QString error;
    const Stopwatch making;
    std::unique_ptr<DataSet> data = DataSet::make(sizes, options.dataParent, error);
    if (!data)
        return fail(error);
    std::fprintf(stderr, "vorlin-bench: made %s files in %s in %.1f s\n",
                 qPrintable(count(data->big.bmp + data->big.dib + data->big.others + data->mid.bmp +
                                  data->mid.dib + data->mid.others)),
                 qPrintable(data->root()), making.elapsedMs() / 1000);
    if (!QDir::setCurrent(data->home.path))
        return fail(QStringLiteral("cannot change to %1").arg(data->home.path));

    auto folderTitle = [](const char* words, const DrawingFolder& folder) {
        return QStringLiteral("Opening a folder of %1 drawings (%2 .bmp, %3 .dib) and %4 other files [%5]")
            .arg(count(folder.bmp + folder.dib), count(folder.bmp), count(folder.dib), count(folder.others),
                 QLatin1String(words));
    };
    auto previewTitle = [](QSize size) {
        return QStringLiteral("Showing a %1 by %2, 24-bit bitmap picked in File2")
            .arg(count(size.width()), count(size.height()));
    };
    Figure folderBig("folder_100k_ratio", folderTitle("the 100k figure", data->big), 1.5);
    Figure folderMid("folder_10k_ratio", folderTitle("the 10k figure", data->mid), 2.0);
    Figure previewWide("preview_2000x400_ratio", previewTitle(data->wideSize), 3.5);
    Figure previewHuge("preview_8000x6000_ratio", previewTitle(data->hugeSize), 1.8);
    Figure startup("startup_ratio",
                   QStringLiteral("Start-up to the first paint, whole child process, offscreen (in %1)")
                       .arg(data->home.path),
                   1.3);
    Figure memory(
        "memory_100k_mb",
        QStringLiteral("Resident memory growth opening the folder of %1 drawings (fresh child per run)")
            .arg(count(data->big.bmp + data->big.dib)),
        16, "MiB");

    std::vector<Figure*> figures{&folderBig, &folderMid, &previewWide, &previewHuge, &startup, &memory};
    if (!options.only.isEmpty()) {
        std::erase_if(figures,
                      [&](const Figure* f) { return !options.only.contains(QLatin1String(f->name)); });
        if (figures.empty())
            return fail(QStringLiteral("--only names no figure"));
    }
    auto wanted = [&](const Figure& figure) {
        return std::find(figures.begin(), figures.end(), &figure) != figures.end();
    };

    Benchmark bench(options, *data);
    if (wanted(memory)) {
        progress("memory: opening the large folder in child processes");
        if (!bench.memory(memory))
            return fail(bench.error);
    }
    if (wanted(startup)) {
        progress("start-up: child processes");
        if (!bench.startup(startup))
            return fail(bench.error);
    }
    if (wanted(folderBig) || wanted(folderMid) || wanted(previewWide) || wanted(previewHuge)) {
        progress("folders and previews: in the real window");
        WindowDriver driver(data->home);
        if (!driver.ok())
            return fail(driver.error());
        if ((wanted(folderBig) && !bench.folder(folderBig, driver, data->big)) ||
            (wanted(folderMid) && !bench.folder(folderMid, driver, data->mid)) ||
            (wanted(previewWide) && !bench.preview(previewWide, driver, data->widePicture, data->wideSize)) ||
            (wanted(previewHuge) && !bench.preview(previewHuge, driver, data->hugePicture, data->hugeSize)))
            return fail(bench.error);
        if (driver.boxesShown())
            return fail(QStringLiteral("the window showed %1 message boxes during the measurements")
                            .arg(driver.boxesShown()));
    }
    progress("removing the data");
    QDir::setCurrent(QDir::tempPath());
    data.reset();

    std::printf(
        "Vorlin benchmark: %s sizes, %d measured runs after %d warm-up%s; Qt platform \"%s\"; data in %s\n",
        options.tiny ? "tiny" : "full", options.runs, options.warmups, options.warmups == 1 ? "" : "s",
        qPrintable(QGuiApplication::platformName()), qPrintable(options.dataParent));
    for (const Figure* figure : figures)
        printFigure(*figure);
    for (const QString& note : bench.notes)
        std::printf("\nNote: %s\n", qPrintable(note));
    std::printf("\n");
    for (const Figure* figure : figures)
        std::printf("%s %.*f\n", figure->name, figure->decimals, figure->value);
    return 0;
}
