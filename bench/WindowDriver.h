#pragma once

#include "DataSet.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QWidget;
class QListView;

namespace vorlin {
class frmEdit;
class DirListBox;
class FileListBox;
class PictureBox;
} // namespace vorlin

namespace vorlin::bench {

// Watches one widget for a paint made while a condition holds: the paint that shows the user
// the state the benchmark waits for.
class PaintProbe : public QObject
{
public:
    explicit PaintProbe(QWidget* target);
    // Forgets earlier paints; from now on waits for a paint during which ready() holds.
    void arm(std::function<bool()> ready);
    bool seen() const { return m_seen; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_target;
    std::function<bool()> m_ready;
    bool m_seen = false;
};

// Runs the event loop until done() holds; false after timeoutMs.
bool processEventsUntil(const std::function<bool()>& done, double timeoutMs = 120000);
// Lets the event loop handle what is pending (layouts, repaints, deferred deletes).
void settle();

// The real main window, driven the way the user drives it. Every message box is answered and
// counted: a box during a measurement means the measurement is void.
class WindowDriver
{
public:
    // Creates frmEdit in the current directory, shows it and waits until both file lists have
    // painted their entries.
    explicit WindowDriver(const DrawingFolder& start);
    ~WindowDriver();
    WindowDriver(const WindowDriver&) = delete;
    WindowDriver& operator=(const WindowDriver&) = delete;

    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    int boxesShown() const { return m_boxes; }

    frmEdit& window() { return *m_window; }
    FileListBox* File1 = nullptr;
    FileListBox* File2 = nullptr;
    DirListBox* dirSourceBMP = nullptr;
    PictureBox* picBmp = nullptr;

    // Sets the folder list's path, which runs the handlers into both file lists, then runs the
    // event loop until both lists have been laid out with the folder's entries and painted.
    bool openFolder(const DrawingFolder& folder);

    // Selects the entry called name in File2, as a pick would, without raising its click.
    bool selectBitmap(const QString& name);
    // Runs File2's click handler, which shows the selected drawing, and waits until picBmp has
    // painted that new picture.
    bool clickBitmap(QSize expected);

private:
    bool fail(const QString& why);
    std::unique_ptr<frmEdit> m_window;
    std::unique_ptr<PaintProbe> m_file1Probe;
    std::unique_ptr<PaintProbe> m_file2Probe;
    std::unique_ptr<PaintProbe> m_pictureProbe;
    QString m_error;
    int m_boxes = 0;
};

} // namespace vorlin::bench
