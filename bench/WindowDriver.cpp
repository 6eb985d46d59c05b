#include "WindowDriver.h"

#include "Stats.h"
#include "platform/DirListBox.h"
#include "platform/FileListBox.h"
#include "platform/MessageBox.h"
#include "platform/PictureBox.h"
#include "ui/frmEdit.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScrollBar>
#include <cstdio>

namespace vorlin::bench {

namespace {

// Set VORLIN_BENCH_TRACE=1 to see which paints the probes count.
const bool Trace = qEnvironmentVariableIntValue("VORLIN_BENCH_TRACE") != 0;

// True while list holds rows entries and has laid them out. Until a view has laid out new rows,
// its scroll range is still that of the old ones; a list longer than its view scrolls.
std::function<bool()> showsEntries(const FileListBox* list, int rows)
{
    return [list, rows] {
        if (list->model()->rowCount() != rows)
            return false;
        const int fitting = list->viewport()->height() / qMax(1, list->fontMetrics().height());
        return rows <= fitting || list->verticalScrollBar()->maximum() > 0;
    };
}

} // namespace

PaintProbe::PaintProbe(QWidget* target) : m_target(target)
{
    target->installEventFilter(this);
}

void PaintProbe::arm(std::function<bool()> ready)
{
    m_ready = std::move(ready);
    m_seen = false;
}

bool PaintProbe::eventFilter(QObject* watched, QEvent* event)
{
    // The filter runs before the widget paints; what it paints is the state seen here.
    if (watched == m_target && event->type() == QEvent::Paint && m_ready) {
        const bool ready = m_ready();
        if (Trace)
            std::fprintf(stderr, "  paint %s/%s ready=%d\n", qPrintable(m_target->parent()->objectName()),
                         m_target->metaObject()->className(), int(ready));
        if (ready)
            m_seen = true;
    }
    return false;
}

bool processEventsUntil(const std::function<bool()>& done, double timeoutMs)
{
    const Stopwatch clock;
    while (!done()) {
        if (clock.elapsedMs() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return true;
}

void settle()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

WindowDriver::WindowDriver(const DrawingFolder& start)
{
    MessageBox::setResponder([this](const MessageBox::Shown& box) {
        ++m_boxes;
        std::fprintf(stderr, "vorlin-bench: the window showed a message box: %s\n", qPrintable(box.prompt));
        return int(MessageBox::Ok);
    });

    m_window = std::make_unique<frmEdit>();
    File1 = m_window->findChild<FileListBox*>(QStringLiteral("File1"));
    File2 = m_window->findChild<FileListBox*>(QStringLiteral("File2"));
    dirSourceBMP = m_window->findChild<DirListBox*>(QStringLiteral("dirSourceBMP"));
    picBmp = m_window->findChild<PictureBox*>(QStringLiteral("picBmp"));
    if (!File1 || !File2 || !dirSourceBMP || !picBmp) {
        fail(QStringLiteral("the window lacks File1, File2, dirSourceBMP or picBmp"));
        return;
    }
    m_file1Probe = std::make_unique<PaintProbe>(File1->viewport());
    m_file2Probe = std::make_unique<PaintProbe>(File2->viewport());
    m_pictureProbe = std::make_unique<PaintProbe>(picBmp);

    m_file1Probe->arm(showsEntries(File1, start.dib));
    m_file2Probe->arm(showsEntries(File2, start.bmp));
    m_window->show();
    if (!processEventsUntil([this] { return m_file1Probe->seen() && m_file2Probe->seen(); }))
        fail(QStringLiteral("the window never painted its lists of %1").arg(start.path));
    settle();
}

WindowDriver::~WindowDriver()
{
    m_file1Probe.reset();
    m_file2Probe.reset();
    m_pictureProbe.reset();
    m_window.reset();
    MessageBox::clearResponder();
}

bool WindowDriver::fail(const QString& why)
{
    if (m_error.isEmpty())
        m_error = why;
    return false;
}

bool WindowDriver::openFolder(const DrawingFolder& folder)
{
    m_file1Probe->arm(showsEntries(File1, folder.dib));
    m_file2Probe->arm(showsEntries(File2, folder.bmp));
    if (const auto failure = dirSourceBMP->setPath(folder.path))
        return fail(QStringLiteral("opening %1 failed: %2").arg(folder.path, failure->description));
    if (!processEventsUntil([this] { return m_file1Probe->seen() && m_file2Probe->seen(); }))
        return fail(
            QStringLiteral("the lists never painted the entries of %1 (File1 %2 of %3, File2 %4 of %5)")
                .arg(folder.path)
                .arg(File1->model()->rowCount())
                .arg(folder.dib)
                .arg(File2->model()->rowCount())
                .arg(folder.bmp));
    return true;
}

bool WindowDriver::selectBitmap(const QString& name)
{
    for (int i = 0; i < File2->listCount(); ++i) {
        if (File2->list(i) == name) {
            File2->setListIndex(i);
            return File2->listIndex() == i || fail(QStringLiteral("File2 did not select %1").arg(name));
        }
    }
    return fail(QStringLiteral("File2 does not list %1").arg(name));
}

bool WindowDriver::clickBitmap(QSize expected)
{
    const qint64 before = picBmp->picture().cacheKey();
    m_pictureProbe->arm([this, before, expected] {
        const QImage& shown = picBmp->picture();
        return shown.cacheKey() != before && shown.size() == expected;
    });
    m_window->File2_Click();
    if (!processEventsUntil([this] { return m_pictureProbe->seen(); }))
        return fail(QStringLiteral("picBmp never painted the %1 by %2 drawing")
                        .arg(expected.width())
                        .arg(expected.height()));
    return true;
}

} // namespace vorlin::bench
