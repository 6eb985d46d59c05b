#pragma once

#include <QListView>

namespace vorlin {

class FileListModel;

// The list of the files in Path whose names match Pattern ("*.bmp"), ignoring case: regular files
// only, sorted ignoring case. A click on an entry or a keyboard move of the selection emits click().
class FileListBox : public QListView
{
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);

    QString path() const { return m_path; }
    // Lists the files of path; a folder that cannot be read lists nothing.
    void setPath(const QString& path);

    QString pattern() const { return m_pattern; }
    void setPattern(const QString& pattern);

    // The selected entry, or -1.
    int listIndex() const;
    void setListIndex(int index);

    int listCount() const;
    // The name of entry index, or an empty text when there is none.
    QString list(int index) const;
    // The name exactly as the file system holds it (names need not be valid UTF-8 on Linux).
    QByteArray listNative(int index) const;

    // Reads the folder again; with sameReading, takes the reading another list made of the same
    // folder in this event. The selection is cleared.
    void refresh(bool sameReading = false);
    // Scrolls the entry named exactly name into view, leaving the selection as it is.
    void scrollToNative(const QByteArray& name);

signals:
    void click();

protected:
    // With no current entry the cursor stands before the first: End goes to the last entry, Page
    // Down a page on to the last entry of the first page, every other move to the first entry.
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    // A list with the focus and no current entry shows the focus around its whole area.
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void read(bool fresh = false);
    // The first read of the initial folder waits until the list is shown or asked, so that the
    // pattern set right after construction does not cost a second read.
    void ensureRead() const;
    void onSelectionChanged();

    FileListModel* m_model;
    QString m_path;
    QString m_pattern = QStringLiteral("*.*");
    bool m_readPending = true;
    bool m_changingFromCode = false;
    bool m_mouseDown = false;
    int m_rowAtPress = -1;
};

} // namespace vorlin
