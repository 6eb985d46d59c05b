#pragma once

#include "platform/Drives.h"
#include "platform/FileListBox.h"
#include "platform/MessageBox.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QList>
#include <QTemporaryDir>
#include <QTest>
#include <deque>

namespace vorlin::test {

// Records every message box and answers it, so that no test ever blocks on a modal box.
class BoxRecorder
{
public:
    BoxRecorder()
    {
        MessageBox::setResponder([this](const MessageBox::Shown& box) {
            boxes.append(box);
            if (answers.empty())
                return int(MessageBox::Ok);
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        });
    }
    ~BoxRecorder() { MessageBox::clearResponder(); }
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    QList<MessageBox::Shown> boxes;
    std::deque<int> answers; // answered in turn; OK once they run out
};

// Runs the test in its own folder, made current, with "/" and that folder as the machine's drives.
class ScratchFolder
{
public:
    ScratchFolder() : m_previous(QDir::currentPath())
    {
        Drives::setListForTesting(
            QList<Drive>{{QStringLiteral("/"), QStringLiteral("/"), QString()},
                         {path(), path() + QLatin1Char('/'), QStringLiteral("SCRATCH")}});
        QDir::setCurrent(path());
    }
    ~ScratchFolder()
    {
        QDir::setCurrent(m_previous);
        Drives::setListForTesting(std::nullopt);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }

private:
    QString m_previous;
    QTemporaryDir m_dir;
};

// The control called name inside window; a missing control ends the test run at once.
template <typename T> T* control(const QWidget* window, const char* name)
{
    auto* widget = window->findChild<T*>(QLatin1String(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}

// Writes an ordinary 24-bit Windows bitmap of one colour, whatever the name's extension.
inline bool writeBitmap(const QString& path, QColor colour = Qt::red, QSize size = QSize(40, 20))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && image.save(&file, "BMP");
}

inline QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QStringList entries(const FileListBox* list)
{
    QStringList names;
    for (int i = 0; i < list->listCount(); ++i)
        names << list->list(i);
    return names;
}

// Clicks the entry called name, as the user would.
inline bool clickEntry(FileListBox* list, const QString& name)
{
    const int row = int(entries(list).indexOf(name));
    if (row < 0)
        return false;
    const QModelIndex index = list->model()->index(row, 0);
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    return list->listIndex() == row;
}

} // namespace vorlin::test
