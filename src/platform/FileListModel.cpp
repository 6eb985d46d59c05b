#include "FileListModel.h"

#include "FolderReader.h"

#include <QFile>
#include <algorithm>
#include <cstdint>
#include <cstring>

namespace vorlin {

namespace {

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

bool isPlainAscii(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() > 0x7f || c == QLatin1Char('*') || c == QLatin1Char('?') || c == QLatin1Char('['))
            return false;
    return true;
}

} // namespace

FilePattern::FilePattern(const QString& pattern)
{
    for (QString part : pattern.split(QLatin1Char(';'))) {
        part = part.trimmed();
        if (part.isEmpty())
            continue;
        if (part == QLatin1String("*") || part == QLatin1String("*.*")) {
            m_all = true;
        } else if (part.startsWith(QLatin1String("*.")) && isPlainAscii(part.mid(1))) {
            QByteArray suffix = part.mid(1).toLatin1();
            std::transform(suffix.begin(), suffix.end(), suffix.begin(), asciiLower);
            m_suffixes.push_back(suffix);
        } else {
            m_others.emplace_back(QRegularExpression::wildcardToRegularExpression(part),
                                  QRegularExpression::CaseInsensitiveOption);
        }
    }
    if (m_suffixes.empty() && m_others.empty())
        m_all = true;
}

bool FilePattern::matches(const char* name, qsizetype length) const
{
    if (m_all)
        return true;
    for (const QByteArray& suffix : m_suffixes) {
        if (length < suffix.size())
            continue;
        const char* tail = name + (length - suffix.size());
        qsizetype i = 0;
        while (i < suffix.size() && asciiLower(tail[i]) == suffix[i])
            ++i;
        if (i == suffix.size())
            return true;
    }
    if (!m_others.empty()) {
        const QString text = QFile::decodeName(QByteArray::fromRawData(name, length));
        for (const QRegularExpression& re : m_others)
            if (re.match(text).hasMatch())
                return true;
    }
    return false;
}

int FileListModel::read(const QString& folder, const QString& pattern, bool fresh)
{
    const FilePattern filter(pattern);
    QByteArray names;
    std::vector<Slice> rows;
    FolderReader reader(QFile::encodeName(folder), fresh);
    while (reader.next()) {
        const qsizetype length = qsizetype(reader.nameLength());
        if (!filter.matches(reader.name(), length) || reader.kind() != FolderReader::Kind::File)
            continue;
        rows.push_back({names.size(), length});
        names.append(reader.name(), length);
    }

    // Sort on case-folded keys made once per name, then on the exact bytes, so that names that
    // differ only in case keep a fixed order. An ASCII name folds byte by byte; any other is
    // folded as Unicode text and compared in its UTF-8 form.
    QByteArray keys;
    keys.reserve(names.size());
    struct Keyed
    {
        std::uint64_t head; // the key's first 8 bytes, big-endian, so most comparisons are one
        Slice key;
        Slice name;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(rows.size());
    for (const Slice& row : rows) {
        const char* name = names.constData() + row.offset;
        const qsizetype offset = keys.size();
        if (std::all_of(name, name + row.length, [](char c) { return (unsigned char)c < 0x80; })) {
            keys.append(name, row.length);
            char* key = keys.data() + offset;
            std::transform(key, key + row.length, key, asciiLower);
        } else {
            keys.append(QFile::decodeName(QByteArray::fromRawData(name, row.length)).toCaseFolded().toUtf8());
        }
        const qsizetype keyLength = keys.size() - offset;
        std::uint64_t head = 0;
        for (qsizetype i = 0; i < 8; ++i)
            head = head << 8 | (i < keyLength ? (unsigned char)keys[offset + i] : 0u);
        keyed.push_back({head, {offset, keyLength}, row});
    }
    auto compareSlices = [](const char* base, const Slice& a, const Slice& b) {
        const int c = std::memcmp(base + a.offset, base + b.offset, size_t(std::min(a.length, b.length)));
        return c != 0 ? c : (a.length < b.length ? -1 : a.length > b.length ? 1 : 0);
    };
    const char* keyBase = keys.constData();
    const char* nameBase = names.constData();
    std::sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
        if (a.head != b.head)
            return a.head < b.head;
        const int c = compareSlices(keyBase, a.key, b.key);
        return c != 0 ? c < 0 : compareSlices(nameBase, a.name, b.name) < 0;
    });
    for (size_t i = 0; i < keyed.size(); ++i)
        rows[i] = keyed[i].name;

    beginResetModel();
    m_names = std::move(names);
    m_rows = std::move(rows);
    endResetModel();
    return reader.error();
}

void FileListModel::clear()
{
    beginResetModel();
    m_names.clear();
    m_rows.clear();
    endResetModel();
}

int FileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    if (role == Qt::DisplayRole && index.isValid())
        return name(index.row());
    return {};
}

QString FileListModel::name(int row) const
{
    return QFile::decodeName(nativeName(row));
}

QByteArray FileListModel::nativeName(int row) const
{
    if (row < 0 || row >= int(m_rows.size()))
        return {};
    const Slice& slice = m_rows[size_t(row)];
    return m_names.mid(slice.offset, slice.length);
}

int FileListModel::rowOf(const QByteArray& name) const
{
    const auto found = std::find_if(m_rows.begin(), m_rows.end(), [&](const Slice& row) {
        return QByteArrayView(m_names.constData() + row.offset, row.length) == name;
    });
    return found == m_rows.end() ? -1 : int(found - m_rows.begin());
}

} // namespace vorlin
