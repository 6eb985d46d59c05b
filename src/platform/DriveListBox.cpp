#include "DriveListBox.h"

namespace vorlin {

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    setInsertPolicy(QComboBox::NoInsert);
    m_drive = Drives::keyOf(currentDirectory());
    refresh();
    connect(this, &QComboBox::activated, this, &DriveListBox::onActivated);
}

QString DriveListBox::drive() const
{
    return m_drive;
}

void DriveListBox::setDrive(const QString& key)
{
    int index = findData(key);
    if (index < 0) {
        // Also accept a drive's root for its key ("/media/stick/", "C:\").
        for (int i = 0; i < count() && index < 0; ++i)
            if (Drives::rootOf(itemData(i).toString()) == key)
                index = i;
    }
#ifdef Q_OS_WIN
    if (index < 0 && !key.isEmpty())
        index = findData(key.left(1).toUpper());
#endif
    if (index < 0)
        return;
    setCurrentIndex(index);
    const QString newDrive = itemData(index).toString();
    if (newDrive == m_drive)
        return;
    m_drive = newDrive;
    emit change();
}

void DriveListBox::refresh()
{
    const QSignalBlocker blocker(this);
    clear();
    for (const Drive& drive : Drives::list())
        addItem(drive.displayText(), drive.key);
    int index = findData(m_drive);
    if (index < 0 && count() > 0) {
        // The drive in use has gone: show the one holding the current directory, without a change.
        m_drive = Drives::keyOf(currentDirectory());
        index = findData(m_drive);
    }
    setCurrentIndex(index);
}

void DriveListBox::onActivated(int index)
{
    const QString picked = itemData(index).toString();
    if (index < 0 || picked == m_drive)
        return;
    m_drive = picked;
    emit change();
}

} // namespace vorlin
