#pragma once

#include "platform/Drives.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QList>
#include <QTemporaryDir>
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

} // namespace vorlin::test
