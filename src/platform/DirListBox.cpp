#include "DirListBox.h"

#include "Drives.h"
#include "FolderReader.h"
#include "MessageBox.h"

#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <algorithm>

namespace vorlin {

namespace {

enum Role { PathRole = Qt::UserRole + 1, DepthRole };

// Indents each row by its depth below the drive's root. Every row is as high as the others, a
// multiple of 4 pixels, so that rows stay equally far apart on screen at every quarter step of
// scaling too (125 %, 150 %, 175 %).
class IndentDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static constexpr int Indent = 12;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem shifted(option);
        shifted.rect.setLeft(option.rect.left() + Indent * index.data(DepthRole).toInt());
        QStyledItemDelegate::paint(painter, shifted, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QSize natural = QStyledItemDelegate::sizeHint(option, index);
        return QSize(natural.width() + Indent * index.data(DepthRole).toInt(),
                     (natural.height() + 3) / 4 * 4);
    }
};

// Absolute, with native separators, without "." or ".." and without a trailing separator, except
// that a drive's root is written as the drive gives it (ending in the separator).
QString normalise(const QString& path)
{
    QString clean = QDir::fromNativeSeparators(path);
    if (QDir::isRelativePath(clean))
        clean = QDir::current().absoluteFilePath(clean);
    clean = QDir::cleanPath(clean);
    const QString root = Drives::rootOf(Drives::keyOf(clean));
    if (QDir::cleanPath(QDir::fromNativeSeparators(root)) == clean)
        return root;
    return QDir::toNativeSeparators(clean);
}

// The visible subfolders of folder, sorted ignoring case; errno when it cannot be read.
int readSubfolders(const QString& folder, QStringList& names, bool fresh = false)
{
    FolderReader reader(QFile::encodeName(folder), fresh);
    std::vector<std::pair<QString, QString>> keyed;
    while (reader.next()) {
        if (reader.name()[0] == '.' || reader.kind() != FolderReader::Kind::Folder)
            continue;
        QString name = QFile::decodeName(QByteArray(reader.name(), qsizetype(reader.nameLength())));
        keyed.emplace_back(name.toCaseFolded(), std::move(name));
    }
    std::sort(keyed.begin(), keyed.end());
    names.clear();
    names.reserve(qsizetype(keyed.size()));
    for (auto& entry : keyed)
        names.append(std::move(entry.second));
    return reader.error();
}

QString joinPath(const QString& folder, const QString& name)
{
    return folder.endsWith(QDir::separator()) ? folder + name : folder + QDir::separator() + name;
}

} // namespace

DirListBox::DirListBox(QWidget* parent) : QListView(parent), m_model(new QStandardItemModel(this))
{
    setModel(m_model);
    setItemDelegate(new IndentDelegate(this));
    // The style's folder icons come in different sizes; every row shows them at one size.
    const int icon = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    setIconSize(QSize(icon, icon));
    setUniformItemSizes(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setAcceptDrops(false);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            openRow(index.row());
    });

    if (setPath(currentDirectory())) {
        // The current directory cannot be read: show where it is, without subfolders.
        m_path = normalise(currentDirectory());
        populate({});
    }
}

std::optional<Failure> DirListBox::setPath(const QString& path)
{
    const QString folder = normalise(path);
    QStringList children;
    if (const int err = readSubfolders(folder, children)) {
        const bool onDriveRoot = folder == Drives::rootOf(Drives::keyOf(folder));
        return Failure::fromErrno(err, folder, onDriveRoot);
    }
    const bool changed = folder != m_path;
    m_path = folder;
    populate(children);
    if (changed)
        emit change();
    return std::nullopt;
}

void DirListBox::refresh()
{
    QStringList children;
    readSubfolders(m_path, children, true);
    populate(children);
}

void DirListBox::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentIndex().isValid()) {
        openRow(currentIndex().row());
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

void DirListBox::openRow(int row)
{
    const QString folder = m_model->item(row)->data(PathRole).toString();
    if (const std::optional<Failure> failure = setPath(folder))
        MessageBox::reportError(*failure);
}

QIcon DirListBox::folderIcon(QStyle::StandardPixmap which) const
{
    // The style's whole icon loads a picture of every size at once, a start-up cost many times
    // that of the one picture a row shows: where the style's own pixmap has just the size shown,
    // use it alone.
    const QPixmap pixmap = style()->standardPixmap(which, nullptr, this);
    if (pixmap.size() == iconSize() * devicePixelRatio())
        return QIcon(pixmap);
    return style()->standardIcon(which, nullptr, this);
}

void DirListBox::populate(const QStringList& children)
{
    const QString root = Drives::rootOf(Drives::keyOf(m_path));
    QStringList chain{root};
    QStringList chainNames{root};
    const QString below = m_path.mid(root.size());
    for (const QString& name : below.split(QDir::separator(), Qt::SkipEmptyParts)) {
        chain.append(joinPath(chain.last(), name));
        chainNames.append(name);
    }

    if (m_openIcon.isNull() || m_closedIcon.isNull()) {
        m_openIcon = folderIcon(QStyle::SP_DirOpenIcon);
        m_closedIcon = folderIcon(QStyle::SP_DirIcon);
    }
    const QIcon& openIcon = m_openIcon;
    const QIcon& closedIcon = m_closedIcon;
    auto makeItem = [](const QIcon& icon, const QString& text, const QString& path, int depth) {
        auto* item = new QStandardItem(icon, text);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren);
        item->setData(path, PathRole);
        item->setData(depth, DepthRole);
        item->setToolTip(path);
        return item;
    };

    QList<QStandardItem*> items;
    items.reserve(chain.size() + children.size());
    for (qsizetype i = 0; i < chain.size(); ++i)
        items.append(makeItem(openIcon, chainNames[i], chain[i], int(i)));
    for (const QString& name : children)
        items.append(makeItem(closedIcon, name, joinPath(m_path, name), int(chain.size())));
    m_model->clear();
    m_model->invisibleRootItem()->appendRows(items);

    const QModelIndex open = m_model->index(int(chain.size()) - 1, 0);
    selectionModel()->setCurrentIndex(open, QItemSelectionModel::ClearAndSelect);
    // A hidden list scrolls to its current row when it is shown; laying it out now would only
    // slow the window's start.
    if (isVisible())
        scrollTo(open);
}

} // namespace vorlin
