#include "Children.h"

#include "Stats.h"
#include "WindowDriver.h"
#include "platform/MessageBox.h"
#include "platform/Pictures.h"
#include "platform/Twips.h"
#include "ui/Style.h"
#include "ui/frmEdit.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QProcess>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace vorlin::bench {

namespace {

constexpr double ChildTimeoutMs = 120000;

// Ends the event loop once the window has had its first paint (and its children theirs, which
// the same repaint pass delivers before the queued quit runs).
class QuitAfterFirstPaint : public QObject
{
protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_quitting) {
            m_quitting = true;
            QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                      Qt::QueuedConnection);
        }
        return false;
    }

private:
    bool m_quitting = false;
};

// A field of /proc/self/status in KiB, or -1.
long statusKiB(const char* field)
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long value = -1;
    const std::size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
            value = std::strtol(line + length + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(status);
    return value;
}

// The environment of this process with the offscreen platform.
std::vector<std::string> offscreenEnvironment()
{
    std::vector<std::string> env;
    for (char** entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "QT_QPA_PLATFORM=", 16) != 0)
            env.emplace_back(*entry);
    }
    env.emplace_back("QT_QPA_PLATFORM=offscreen");
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> result;
    for (std::string& s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

// Waits for pid to end, at most timeoutMs; returns its wait status, or -1 after killing it.
int waitForChild(pid_t pid, double timeoutMs)
{
    int status = 0;
    const int pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd >= 0) {
        pollfd ready{pidfd, POLLIN, 0};
        int polled;
        do
            polled = ::poll(&ready, 1, int(timeoutMs));
        while (polled < 0 && errno == EINTR);
        ::close(pidfd);
        if (polled == 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
    }
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return status;
}

} // namespace

void setUpAsTheProgram()
{
    QApplication::setApplicationName(QStringLiteral("Vorlin"));
    QApplication::setApplicationVersion(QStringLiteral(VORLIN_VERSION));
    QApplication::setWindowIcon(style::windowIcon());
    configurePictureLoading();
}

int runStartupChild(StartupWindow kind, int argc, char** argv)
{
    QApplication app(argc, argv);
    QuitAfterFirstPaint quitter;
    if (kind != StartupWindow::FrmEdit) {
        QMainWindow window;
        window.resize(twipsToPixels(10860), twipsToPixels(6135));
        if (kind == StartupWindow::Text)
            window.setCentralWidget(new QLabel(QStringLiteral("Rename Drawings"), &window));
        window.installEventFilter(&quitter);
        window.show();
        return QApplication::exec();
    }

    setUpAsTheProgram();
    // A message box at start-up would wait for an answer; answer it and fail the run instead.
    int boxes = 0;
    MessageBox::setResponder([&boxes](const MessageBox::Shown&) {
        ++boxes;
        return int(MessageBox::Ok);
    });
    frmEdit window;
    window.installEventFilter(&quitter);
    window.show();
    const int result = QApplication::exec();
    return boxes ? 3 : result;
}

QStringList memoryChildArguments(const DrawingFolder& home, const DrawingFolder& big)
{
    QStringList arguments;
    for (const DrawingFolder* folder : {&home, &big})
        arguments << folder->path << QString::number(folder->bmp) << QString::number(folder->dib);
    return arguments;
}

bool memoryChildFolders(const QStringList& arguments, DrawingFolder& home, DrawingFolder& big)
{
    if (arguments.size() != 6)
        return false;
    bool ok = true;
    auto number = [&ok](const QString& text) {
        bool good = false;
        const int value = text.toInt(&good);
        ok = ok && good;
        return value;
    };
    home = {arguments[0], number(arguments[1]), number(arguments[2]), 0};
    big = {arguments[3], number(arguments[4]), number(arguments[5]), 0};
    return ok;
}

int runMemoryChild(int argc, char** argv, const DrawingFolder& home, const DrawingFolder& big)
{
    QApplication app(argc, argv);
    setUpAsTheProgram();
    if (!QDir::setCurrent(home.path)) {
        std::fprintf(stderr, "cannot change to %s\n", qPrintable(home.path));
        return 2;
    }
    WindowDriver driver(home);
    if (!driver.ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(driver.error()));
        return 2;
    }
    const long residentBefore = statusKiB("VmRSS");
    const long peakBefore = statusKiB("VmHWM");
    if (!driver.openFolder(big)) {
        std::fprintf(stderr, "%s\n", qPrintable(driver.error()));
        return 2;
    }
    settle();
    const long residentAfter = statusKiB("VmRSS");
    const long peakAfter = statusKiB("VmHWM");
    if (driver.boxesShown() || residentBefore < 0 || residentAfter < 0)
        return 2;
    std::printf("VORLIN-MEMORY %ld %ld %ld %ld\n", residentBefore, residentAfter, peakBefore, peakAfter);
    return 0;
}

std::optional<double> timeChild(const char* mode, const QStringList& arguments, const QString& logFile,
                                QString& error)
{
    std::vector<std::string> args{QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString(),
                                  mode};
    for (const QString& argument : arguments)
        args.push_back(QFile::encodeName(argument).toStdString());
    std::vector<std::string> env = offscreenEnvironment();
    std::vector<char*> argv = pointers(args);
    std::vector<char*> envp = pointers(env);
    const QByteArray log = QFile::encodeName(logFile);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);

    pid_t pid = 0;
    const Stopwatch clock;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    int status = spawned == 0 ? waitForChild(pid, ChildTimeoutMs) : -1;
    const double elapsed = clock.elapsedMs();
    posix_spawn_file_actions_destroy(&actions);

    if (spawned != 0) {
        error = QStringLiteral("cannot start %1: %2")
                    .arg(QString::fromStdString(args[0]), QString::fromLocal8Bit(std::strerror(spawned)));
        return std::nullopt;
    }
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        QFile output(logFile);
        const QString said =
            output.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(output.readAll()) : QString();
        error = QStringLiteral("the child %1 failed (%2)%3")
                    .arg(QLatin1String(mode),
                         status == -1        ? QStringLiteral("killed after %1 s").arg(ChildTimeoutMs / 1000)
                         : WIFEXITED(status) ? QStringLiteral("exit status %1").arg(WEXITSTATUS(status))
                                             : QStringLiteral("signal %1").arg(WTERMSIG(status)),
                         said.isEmpty() ? QString() : QStringLiteral(":\n") + said);
        return std::nullopt;
    }
    return elapsed;
}

std::optional<MemoryGrowth> measureMemoryInChild(const DrawingFolder& home, const DrawingFolder& big,
                                                 QString& error)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(home.path);
    child.start(QCoreApplication::applicationFilePath(),
                QStringList{QLatin1String(ChildMemory)} + memoryChildArguments(home, big));
    if (!child.waitForFinished(int(ChildTimeoutMs)) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0) {
        error = QStringLiteral("the memory child failed (%1): %2")
                    .arg(child.errorString(), QString::fromLocal8Bit(child.readAllStandardError()));
        child.kill();
        child.waitForFinished();
        return std::nullopt;
    }
    const QByteArray output = child.readAllStandardOutput();
    const qsizetype at = output.indexOf("VORLIN-MEMORY ");
    const QList<QByteArray> fields = output.mid(at).trimmed().split(' ');
    if (at < 0 || fields.size() != 5) {
        error = QStringLiteral("the memory child printed no figures: %1").arg(QString::fromLocal8Bit(output));
        return std::nullopt;
    }
    return MemoryGrowth{(fields[2].toDouble() - fields[1].toDouble()) / 1024,
                        (fields[4].toDouble() - fields[3].toDouble()) / 1024};
}

} // namespace vorlin::bench
