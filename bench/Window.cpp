#include "Window.h"

#include "platform/DirListBox.h"
#include "platform/FileListBox.h"
#include "platform/MessageBox.h"
#include "platform/PictureBox.h"
#include "platform/Pictures.h"
#include "platform/Twips.h"
#include "ui/Style.h"
#include "ui/frmEdit.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <list>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vorlin::bench {

void fail(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    const QString why = QString::vasprintf(format, arguments);
    va_end(arguments);
    throw Failed{why};
}

double now()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void settle()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

void setUpAsTheProgram()
{
    QApplication::setApplicationName(QStringLiteral("Vorlin"));
    QApplication::setApplicationVersion(QStringLiteral(VORLIN_VERSION));
    QApplication::setWindowIcon(style::windowIcon());
    configurePictureLoading();
}

namespace {

// Notes the first paint of a widget made while its condition holds. The filter runs before the
// widget paints, so what it paints is the state seen here.
struct PaintWatch : QObject
{
    explicit PaintWatch(const Paint& paint) : paint(paint) { paint.widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        seen = seen || (event->type() == QEvent::Paint && (!paint.ready || paint.ready()));
        return false;
    }
    Paint paint;
    bool seen = false;
};

// True while list holds rows entries and has laid them out: until then its scroll range is still
// that of the old entries, and a list longer than its view scrolls.
std::function<bool()> showsEntries(const FileListBox* list, int rows)
{
    return [list, rows] {
        const int fitting = list->viewport()->height() / std::max(1, list->fontMetrics().height());
        return list->listCount() == rows && (rows <= fitting || list->verticalScrollBar()->maximum() > 0);
    };
}

// True while list's last entry is name, wholly in view.
std::function<bool()> showsLast(const FileListBox* list, const QString& name)
{
    return [list, name] {
        const int last = list->listCount() - 1;
        return list->list(last) == name &&
               list->viewport()->rect().contains(list->visualRect(list->model()->index(last, 0)));
    };
}

// Both lists painted with the entries of folder.
std::vector<Paint> listsShow(const Window& window, const Folder& folder)
{
    return {{window.File1->viewport(), showsEntries(window.File1, folder.dib)},
            {window.File2->viewport(), showsEntries(window.File2, folder.bmp)}};
}

// True once box shows another picture than now.
std::function<bool()> pictureChanged(const PictureBox* box)
{
    return [box, before = box->picture().cacheKey()] {
        return box->picture().cacheKey() != before && !box->picture().isNull();
    };
}

int boxes = 0;
QString lastBox;

} // namespace

void answerBoxes()
{
    MessageBox::setResponder([](const MessageBox::Shown& box) {
        ++boxes;
        lastBox = box.prompt;
        return int(MessageBox::Ok);
    });
}

double until(const std::function<void()>& action, const std::vector<Paint>& paints, const QString& what)
{
    std::list<PaintWatch> watches(paints.begin(), paints.end());
    auto allSeen = [&watches] {
        return std::all_of(watches.begin(), watches.end(), [](auto& w) { return w.seen; });
    };
    const int before = boxes;
    const double start = now();
    action();
    while (!allSeen() && boxes == before) {
        if (now() - start > 30000)
            fail("the window never painted %s", qPrintable(what));
        QCoreApplication::processEvents();
    }
    const double elapsed = now() - start;
    if (boxes != before)
        throw Failed{QStringLiteral("the window showed \"%1\" for %2").arg(lastBox, what), true};
    settle();
    return elapsed;
}

Window::Window(const Folder& start)
{
    answerBoxes();
    frm = std::make_unique<frmEdit>();
    File1 = frm->findChild<FileListBox*>(QStringLiteral("File1"));
    File2 = frm->findChild<FileListBox*>(QStringLiteral("File2"));
    dirSourceBMP = frm->findChild<DirListBox*>(QStringLiteral("dirSourceBMP"));
    picBmp = frm->findChild<PictureBox*>(QStringLiteral("picBmp"));
    until([this] { frm->show(); }, listsShow(*this, start), start.path);
}

Window::~Window()
{
    frm.reset();
    MessageBox::clearResponder();
}

double Window::open(const Folder& folder)
{
    if (dirSourceBMP->path() == folder.path)
        return 0;
    return until([&] { dirSourceBMP->setPath(folder.path); }, listsShow(*this, folder), folder.path);
}

double Window::show(const QString& name)
{
    const QModelIndexList found =
        File2->model()->match(File2->model()->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly);
    if (found.isEmpty())
        fail("File2 does not list %s", qPrintable(name));
    File2->setListIndex(found[0].row());
    return until([this] { frm->File2_Click(); }, {{picBmp, pictureChanged(picBmp)}}, name);
}

double Window::clickLast()
{
    const QModelIndex last = File2->model()->index(File2->listCount() - 1, 0);
    File2->scrollTo(last);
    settle();
    return until(
        [&] { QTest::mouseClick(File2->viewport(), Qt::LeftButton, {}, File2->visualRect(last).center()); },
        {{picBmp, pictureChanged(picBmp)}}, File2->list(last.row()));
}

double Window::rename(const QString& oldName, const QString& suffix, const QString& newName,
                      const Folder& folder)
{
    show(oldName);
    frm->findChild<QLineEdit*>(QStringLiteral("txtSuffix"))->setText(suffix);
    std::vector<Paint> paints = listsShow(*this, folder);
    paints.push_back({File2->viewport(), showsLast(File2, newName)});
    return until(
        [this] { QTest::mouseClick(frm->findChild<QPushButton*>(QStringLiteral("cmdRD")), Qt::LeftButton); },
        paints, newName);
}

double runChild(const QStringList& arguments, const QString& folder, QByteArray* output)
{
    // posix_spawn, not QProcess: a fork would copy the page tables of this large process and add
    // their cost to every start-up measured.
    QByteArrayList args{QFile::encodeName(QCoreApplication::applicationFilePath())};
    std::vector<char*> argv;
    for (const QString& argument : arguments)
        args << QFile::encodeName(argument);
    for (QByteArray& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const QByteArray dir = QFile::encodeName(folder), out = dir + "/child.out", err = dir + "/child.err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir.constData());
    posix_spawn_file_actions_addopen(&actions, 1, out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    qputenv("QT_QPA_PLATFORM", "offscreen"); // for the child: this process has its platform already
    pid_t pid = 0;
    int status = -1;
    const double start = now();
    if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        // Waits at most two minutes, without polling that would blur the time.
        pollfd ended{int(::syscall(SYS_pidfd_open, pid, 0)), POLLIN, 0};
        if (ended.fd >= 0 && ::poll(&ended, 1, 120000) == 0)
            ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        ::close(ended.fd);
    }
    const double elapsed = now() - start;
    posix_spawn_file_actions_destroy(&actions);
    auto read = [](const QByteArray& path) {
        QFile file(QFile::decodeName(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
    };
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3)
        throw Failed{QString::fromLocal8Bit(read(out)), true};
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) // -1 too
        fail("the child %s failed (status %d): %s %s", qPrintable(arguments.join(u' ')), status,
             read(out).constData(), read(err).constData());
    if (output)
        *output = read(out);
    return elapsed;
}

namespace {

// The peak and the present resident memory in KiB, as "VmHWM VmRSS ".
QByteArray memoryKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    QByteArray kib;
    for (const QByteArray& line :
         status.open(QIODevice::ReadOnly) ? status.readAll().split('\n') : QByteArrayList())
        if (line.startsWith("VmHWM:") || line.startsWith("VmRSS:"))
            kib += line.mid(6).trimmed().chopped(3) + ' '; // "1234 kB"
    return kib;
}

} // namespace

// --child startup frmedit|empty|text: shows the window and exits after its first paint (and its
// children theirs, in the same pass).
// --child memory FOLDER BMP DIB [DRAWING]: in the home folder (the current directory), opens FOLDER
// (BMP and DIB drawings), or in FOLDER shows DRAWING, and prints how much the resident memory and
// its peak grew, in MiB.
int childMain(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(2);
    try {
        if (args.value(0) == QLatin1String("memory")) {
            setUpAsTheProgram();
            Window window(Folder{QDir::currentPath(), 3, 3});
            const Folder folder{args.value(1), args.value(2).toInt(), args.value(3).toInt()};
            if (args.size() > 4)
                window.open(folder);
            const QByteArray before = memoryKiB();
            args.size() > 4 ? window.show(args[4]) : window.open(folder);
            const QList<QByteArray> kib = (before + memoryKiB()).trimmed().split(' '); // VmHWM, VmRSS, twice
            std::printf("%f %f\n", (kib[3].toDouble() - kib[1].toDouble()) / 1024,
                        (kib[2].toDouble() - kib[0].toDouble()) / 1024);
            return 0;
        }
        std::unique_ptr<QMainWindow> window;
        if (args.value(1) == QLatin1String("frmedit")) {
            setUpAsTheProgram();
            answerBoxes();
            window = std::make_unique<frmEdit>();
        } else {
            window = std::make_unique<QMainWindow>();
            window->resize(twipsToPixels(10860), twipsToPixels(6135));
            if (args.value(1) == QLatin1String("text"))
                window->setCentralWidget(new QLabel(QStringLiteral("Rename Drawings")));
        }
        until([&] { window->show(); }, {{window.get()}}, QStringLiteral("at start-up"));
        return 0;
    } catch (const Failed& failed) {
        std::printf("%s\n", qPrintable(failed.why));
        return failed.refused ? 3 : 2;
    }
}

} // namespace vorlin::bench
