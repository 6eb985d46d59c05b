#pragma once

#include "../io/BmpWriter.h"
#include "../io/NativeFiles.h"
#include "platform/DirListBox.h"
#include "platform/DriveListBox.h"
#include "platform/Drives.h"
#include "platform/FileListBox.h"
#include "platform/MessageBox.h"
#include "platform/PictureBox.h"
#include "ui/frmEdit.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace vorlin::test {

// An ordinary 24-bit Windows bitmap of one colour, 40 by 20 pixels.
inline QByteArray bitmapBytes(QColor colour = Qt::red)
{
    const char bgr[] = {char(colour.blue()), char(colour.green()), char(colour.red())};
    return bmp(40, 20, 24, 0, {}, QByteArray(bgr, 3).repeated(40 * 20));
}

inline bool writeBitmap(const QString& path, QColor colour = Qt::red)
{
    return writeNative(QFile::encodeName(path), bitmapBytes(colour));
}

inline QStringList entries(const FileListBox* list)
{
    QStringList names;
    for (int i = 0; i < list->listCount(); ++i)
        names << list->list(i);
    return names;
}

// Clicks the entry whose name is exactly these bytes, as the user would.
inline bool clickNative(FileListBox* list, const QByteArray& name)
{
    for (int row = 0; row < list->listCount(); ++row) {
        if (list->listNative(row) != name)
            continue;
        const QModelIndex index = list->model()->index(row, 0);
        list->scrollTo(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
        return list->listIndex() == row;
    }
    return false;
}

// The window's control that holds the focus: an editable combo box hands its focus to its line
// edit, so this names the nearest ancestor that is a control of the window.
inline QString focusedControl()
{
    QWidget* widget = QApplication::focusWidget();
    while (widget && widget->property("TabIndex").isNull() && !widget->isWindow())
        widget = widget->parentWidget();
    return widget ? widget->objectName() : QString();
}

// Country, company, type, acronym and suffix as typed, between bars: a conforming name's.
inline const QString Conforming = QStringLiteral("I   - Italy|FS|E  - Electrical Locomotive|E626");

// The main window, shown, in its own scratch folder (or a new subfolder of it) made current, with
// "/" and that folder as the machine's drives. Every message box is recorded and answered with OK,
// so that no test ever blocks on one.
struct Window
{
    explicit Window(const QString& start = {}) : previous(QDir::currentPath())
    {
        MessageBox::setResponder([this](const MessageBox::Shown& box) {
            boxes.append(box);
            return MessageBox::Ok;
        });
        setDrives({});
        if (!QDir().mkpath(file(start)) || !QDir::setCurrent(file(start)))
            qFatal("cannot start in %s", qPrintable(start));
        frm = std::make_unique<frmEdit>();
        frm->show();
        if (!QTest::qWaitForWindowExposed(frm.get()))
            qFatal("the window does not show");
    }
    ~Window()
    {
        frm.reset();
        MessageBox::clearResponder();
        QDir::setCurrent(previous);
        Drives::setListForTesting(std::nullopt);
        // The temporary folder removes entries by their decoded names, which misses a name that is
        // not valid UTF-8.
        for (const QByteArray& name : snapshot(folder.path()).keys())
            if (QFile::encodeName(QFile::decodeName(name)) != name)
                ::unlink((QFile::encodeName(folder.path()) + '/' + name).constData());
    }

    // "/", the scratch folder and, when given, extra as the machine's drives.
    void setDrives(const QString& extra, const QString& label = {})
    {
        const QString root = folder.path();
        QList<Drive> drives{{QStringLiteral("/"), QStringLiteral("/"), {}}, {root, root + u'/', {}}};
        if (!extra.isEmpty())
            drives.append({extra, extra + u'/', label});
        Drives::setListForTesting(drives);
        if (frm)
            get<DriveListBox>("Drive1")->refresh();
    }
    QString file(const QString& name) const { return name.isEmpty() ? folder.path() : folder.filePath(name); }
    template <typename T = QWidget> T* get(const char* name) const
    {
        auto* widget = frm->findChild<T*>(QLatin1String(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    // The list and the box of a drawing's kind.
    static bool dib(const QString& name) { return name.endsWith(u".dib", Qt::CaseInsensitive); }
    auto* listFor(const QString& name) const { return get<FileListBox>(dib(name) ? "File1" : "File2"); }
    auto* boxFor(const QString& name) const { return get<PictureBox>(dib(name) ? "picDib" : "picBmp"); }
    // Opens the folder at path in the folder list, making it first where it is missing.
    bool open(const QString& path) const
    {
        return QDir().mkpath(path) && !get<DirListBox>("dirSourceBMP")->setPath(path);
    }
    void refresh() const
    {
        for (const char* list : {"File1", "File2"})
            get<FileListBox>(list)->refresh();
    }
    // Country, company, type, acronym and suffix as typed, between bars.
    void fill(const QString& texts = Conforming) const
    {
        const QStringList text = texts.split(u'|');
        const char* fields[] = {"cboUland", "txtCompany", "cboGT", "txtAcronym", "txtSuffix"};
        for (int i = 0; i < 5; ++i) // an editable combo box's current text is its edit text
            get(fields[i])->setProperty(fields[i][0] == 'c' ? "currentText" : "text", text.value(i));
    }
    void pressRename() const { QTest::mouseClick(get<QPushButton>("cmdRD"), Qt::LeftButton); }

    // Writes a drawing into the open folder under these bytes and picks it in its list; true when
    // its box shows it unreported.
    bool pick(const QByteArray& name, QColor colour = Qt::red)
    {
        const QString shown = QFile::decodeName(name);
        if (!writeNative(QFile::encodeName(get<FileListBox>("File2")->path()) + '/' + name,
                         bitmapBytes(colour)))
            return false;
        refresh();
        if (!clickNative(listFor(shown), name) || !boxes.isEmpty())
            return false;
        // Which box shows it; where it is drawn inside the box, the reference pictures check.
        return boxFor(shown)->picture().pixelColor(0, 0) == colour;
    }
    bool pick(const QString& name, QColor colour = Qt::red) { return pick(QFile::encodeName(name), colour); }

    QTemporaryDir folder; // first made, last removed
    QString previous;
    QList<MessageBox::Shown> boxes;
    std::unique_ptr<frmEdit> frm;
};

} // namespace vorlin::test
