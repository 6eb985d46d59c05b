#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <vector>

namespace vorlin {

// A pattern of file names as the file lists use it ("*.bmp"; several joined by ";"), matched
// ignoring case. "*" and "*.*" match every name, as they do on Windows.
class FilePattern
{
public:
    explicit FilePattern(const QString& pattern);
    bool matches(const char* name, qsizetype length) const;

private:
    bool m_all = false;
    std::vector<QByteArray> m_suffixes; // ".bmp" for "*.bmp": compared byte-wise, ASCII case ignored
    std::vector<QRegularExpression> m_others;
};

// The names of one folder's regular files that match a pattern, sorted ignoring case. Each name
// keeps the bytes the file system holds, since a name need not be valid UTF-8, and the text shown.
class FileListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // Lists folder in one pass. A folder that cannot be read lists nothing; returns its errno,
    // 0 when read.
    int read(const QString& folder, const QString& pattern, bool fresh = false);
    void clear();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    QString name(int row) const;
    QByteArray nativeName(int row) const;
    // The row of the name with exactly these bytes, or -1.
    int rowOf(const QByteArray& name) const;

private:
    // All names live in one buffer; a row is a slice of it. Texts are made when asked for, which
    // is only for the rows on screen.
    struct Slice
    {
        qsizetype offset;
        qsizetype length;
    };
    QByteArray m_names;
    std::vector<Slice> m_rows;
};

} // namespace vorlin
