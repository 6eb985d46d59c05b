#pragma once

#include "Failure.h"

#include <QIcon>
#include <QListView>
#include <QStyle>
#include <optional>

class QStandardItemModel;

namespace vorlin {

// The folder list: the chain of folders from the drive's root down to the open folder, indented,
// then the open folder's subfolders (hidden ones left out), sorted ignoring case. A double-click
// or Enter opens a folder. Path is the open folder: a drive root ends in the separator, other
// folders do not. Setting it from code emits change() at once, and only on an actual change.
class DirListBox : public QListView
{
    Q_OBJECT
public:
    explicit DirListBox(QWidget* parent = nullptr);

    QString path() const { return m_path; }
    // Opens path. A folder that cannot be read is reported as a failure and nothing changes.
    std::optional<Failure> setPath(const QString& path);

    // Reads the open folder again.
    void refresh();

signals:
    void change();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void openRow(int row);
    // Shows the chain of folders down to m_path, then children (already sorted).
    void populate(const QStringList& children);
    QIcon folderIcon(QStyle::StandardPixmap which) const;
    QStandardItemModel* m_model;
    QString m_path;
    // The style's folder icons, loaded once: the style reads them from image files every time.
    QIcon m_openIcon;
    QIcon m_closedIcon;
};

} // namespace vorlin
