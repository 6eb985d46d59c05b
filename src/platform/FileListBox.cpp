#include "FileListBox.h"

#include "Drives.h"
#include "FileListModel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QStyleOptionFocusRect>
#include <algorithm>

namespace vorlin {

FileListBox::FileListBox(QWidget* parent) : QListView(parent), m_model(new FileListModel(this))
{
    setModel(m_model);
    // Every row has the height of one line of text, so a folder of many thousand files lays out
    // without measuring each name.
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setAcceptDrops(false);
    setTextElideMode(Qt::ElideNone);
    m_path = currentDirectory();
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &FileListBox::onSelectionChanged);
}

void FileListBox::setPath(const QString& path)
{
    if (path == m_path)
        return;
    m_path = path;
    read();
}

void FileListBox::setPattern(const QString& pattern)
{
    if (pattern == m_pattern)
        return;
    m_pattern = pattern;
    if (!m_readPending)
        read();
}

int FileListBox::listIndex() const
{
    ensureRead();
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void FileListBox::setListIndex(int index)
{
    ensureRead();
    if (index >= m_model->rowCount())
        return;
    const QScopedValueRollback<bool> fromCode(m_changingFromCode, true);
    if (index < 0) {
        selectionModel()->clear();
        return;
    }
    const QModelIndex row = m_model->index(index);
    selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect);
    scrollTo(row);
}

int FileListBox::listCount() const
{
    ensureRead();
    return m_model->rowCount();
}

QString FileListBox::list(int index) const
{
    ensureRead();
    return m_model->name(index);
}

QByteArray FileListBox::listNative(int index) const
{
    ensureRead();
    return m_model->nativeName(index);
}

void FileListBox::refresh(bool sameReading)
{
    read(!sameReading);
}

void FileListBox::scrollToNative(const QByteArray& name)
{
    ensureRead();
    if (const int row = m_model->rowOf(name); row >= 0)
        scrollTo(m_model->index(row));
}

QModelIndex FileListBox::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const int count = listCount();
    if (currentIndex().isValid() || count == 0)
        return QListView::moveCursor(cursorAction, modifiers);
    switch (cursorAction) {
    case MoveEnd:
        return m_model->index(count - 1);
    case MovePageDown: {
        // A page on from before the first entry: the last entry of the first page.
        const int perPage = std::max(1, viewport()->height() / std::max(1, sizeHintForRow(0)));
        return m_model->index(std::min(count, perPage) - 1);
    }
    default:
        return QListView::moveCursor(cursorAction, modifiers);
    }
}

void FileListBox::paintEvent(QPaintEvent* event)
{
    QListView::paintEvent(event);
    if (!hasFocus() || currentIndex().isValid())
        return;
    QPainter painter(viewport());
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = viewport()->rect();
    option.backgroundColor = palette().color(QPalette::Base);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

void FileListBox::showEvent(QShowEvent* event)
{
    ensureRead();
    QListView::showEvent(event);
}

void FileListBox::focusInEvent(QFocusEvent* event)
{
    // Qt puts the cursor on the first entry when focus arrives; with nothing picked, leave it off
    // the entries so that the first Down picks the first file.
    const bool hadCurrent = currentIndex().isValid();
    QListView::focusInEvent(event);
    if (!hadCurrent && listIndex() < 0 && currentIndex().isValid()) {
        const QScopedValueRollback<bool> fromCode(m_changingFromCode, true);
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
}

void FileListBox::mousePressEvent(QMouseEvent* event)
{
    // Only the left button on an entry picks it; a press on the empty space below the entries
    // keeps the selection.
    if (event->button() != Qt::LeftButton || !indexAt(event->position().toPoint()).isValid()) {
        event->accept();
        return;
    }
    m_mouseDown = true;
    m_rowAtPress = listIndex();
    QListView::mousePressEvent(event);
}

void FileListBox::mouseReleaseEvent(QMouseEvent* event)
{
    QListView::mouseReleaseEvent(event);
    if (!m_mouseDown || event->button() != Qt::LeftButton)
        return;
    m_mouseDown = false;
    // One click per press and release, also when the press dragged the selection off the entries.
    const int row = listIndex();
    if (row >= 0 && (indexAt(event->position().toPoint()).isValid() || row != m_rowAtPress))
        emit click();
}

void FileListBox::read(bool fresh)
{
    const QScopedValueRollback<bool> fromCode(m_changingFromCode, true);
    m_readPending = false;
    m_model->read(m_path, m_pattern, fresh);
}

void FileListBox::ensureRead() const
{
    if (m_readPending)
        const_cast<FileListBox*>(this)->read();
}

void FileListBox::onSelectionChanged()
{
    // Mouse picks are reported on release, code changes not at all; what is left is the keyboard.
    if (m_changingFromCode || m_mouseDown)
        return;
    if (listIndex() >= 0)
        emit click();
}

} // namespace vorlin
