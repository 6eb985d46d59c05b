// What vorlin-bench measures with: the real window driven as the user drives it, and child processes.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace vorlin {
class DirListBox;
class FileListBox;
class PictureBox;
class frmEdit;
} // namespace vorlin

namespace vorlin::bench {

// Why a run cannot go on: the benchmark stops, or, when the window showed a message box instead
// of doing the work, reports the figure as refused and goes on.
struct Failed
{
    QString why;
    bool refused = false;
};
[[noreturn]] void fail(const char* format, ...) Q_ATTRIBUTE_FORMAT_PRINTF(1, 2);

// Milliseconds on the monotonic clock.
double now();
// Lets the event loop handle what is pending (layouts, repaints, deferred deletes).
void settle();

struct Folder
{
    QString path;
    int bmp = 0, dib = 0, others = 0;
    int drawings() const { return bmp + dib; }
};

// A widget to paint while ready() holds (any paint without it): the paint that shows the user what
// is waited for.
struct Paint
{
    QWidget* widget;
    std::function<bool()> ready = {};
};
// Answers every message box, noting it.
void answerBoxes();
// Runs action, then the event loop until every paint has been seen; returns the milliseconds.
// A message box shown meanwhile makes it a refused Failed.
double until(const std::function<void()>& action, const std::vector<Paint>& paints, const QString& what);

// The real main window, driven as the user drives it.
class Window
{
public:
    explicit Window(const Folder& start);
    ~Window();
    std::unique_ptr<frmEdit> frm;
    FileListBox *File1, *File2;
    DirListBox* dirSourceBMP;
    PictureBox* picBmp;

    // Opens folder in the folder list until both file lists have painted its entries.
    double open(const Folder& folder);
    // Selects name in File2 and runs File2_Click until picBmp has painted the drawing.
    double show(const QString& name);
    // Clicks File2's last entry with the mouse until picBmp has painted the drawing.
    double clickLast();
    // Picks oldName, types the suffix and presses Rename! until both lists have painted, File2
    // showing newName as its last entry.
    double rename(const QString& oldName, const QString& suffix, const QString& newName,
                  const Folder& folder);
};

// Runs this program again with arguments, offscreen, in folder; returns the milliseconds from start
// to exit. A child that exits with 3 saw a message box: its output says why it was refused.
double runChild(const QStringList& arguments, const QString& folder, QByteArray* output = nullptr);
// The child processes: start-up to the first paint, and the memory a folder or a drawing takes.
int childMain(int argc, char** argv);
void setUpAsTheProgram();

} // namespace vorlin::bench
