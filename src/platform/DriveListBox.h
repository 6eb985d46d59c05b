#pragma once

#include "Drives.h"

#include <QComboBox>

namespace vorlin {

// Drop-down list of the drives. Drive is the key of the selected drive. Setting it from code
// emits change() at once, and only when the drive actually changes; so does a pick by the user.
class DriveListBox : public QComboBox
{
    Q_OBJECT
public:
    explicit DriveListBox(QWidget* parent = nullptr);

    QString drive() const;
    // Selects the drive with this key; a key that names no drive of the list changes nothing.
    void setDrive(const QString& key);

    // Reads the list of drives again, keeping the selection when that drive is still there.
    void refresh();

signals:
    void change();

private:
    void onActivated(int index);
    QString m_drive;
};

} // namespace vorlin
