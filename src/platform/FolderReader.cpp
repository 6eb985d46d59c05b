#include "FolderReader.h"

#include <QTimer>
#include <cerrno>
#include <cstring>
#include <vector>

#ifdef Q_OS_WIN
#include <QFile>
#include <QFileInfo>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace vorlin {

#ifndef Q_OS_WIN

struct FolderSnapshot
{
    QByteArray folder;
    int error = 0;
    QByteArray names;
    struct Entry
    {
        qsizetype offset;
        std::size_t length;
        FolderReader::Kind kind;
    };
    std::vector<Entry> entries;
};

namespace {

std::shared_ptr<const FolderSnapshot>& lastSnapshot()
{
    static std::shared_ptr<const FolderSnapshot> snapshot;
    return snapshot;
}

std::shared_ptr<const FolderSnapshot> readFolder(const QByteArray& folder)
{
    auto snapshot = std::make_shared<FolderSnapshot>();
    snapshot->folder = folder;
    DIR* dir = ::opendir(folder.constData());
    if (!dir) {
        snapshot->error = errno ? errno : ENOENT;
        return snapshot;
    }
    while (dirent* entry = ::readdir(dir)) {
        const char* n = entry->d_name;
        if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0')))
            continue;
        FolderReader::Kind kind = FolderReader::Kind::Other;
        switch (entry->d_type) {
        case DT_REG:
            kind = FolderReader::Kind::File;
            break;
        case DT_DIR:
            kind = FolderReader::Kind::Folder;
            break;
        case DT_LNK:
        case DT_UNKNOWN: {
            struct stat st;
            if (::fstatat(::dirfd(dir), n, &st, 0) == 0)
                kind = S_ISREG(st.st_mode)   ? FolderReader::Kind::File
                       : S_ISDIR(st.st_mode) ? FolderReader::Kind::Folder
                                             : FolderReader::Kind::Other;
            break;
        }
        default:
            break;
        }
        const std::size_t length = std::strlen(n);
        snapshot->entries.push_back({snapshot->names.size(), length, kind});
        snapshot->names.append(n, qsizetype(length + 1));
    }
    ::closedir(dir);
    return snapshot;
}

} // namespace

FolderReader::FolderReader(const QByteArray& folder, bool fresh)
{
    auto& last = lastSnapshot();
    if (fresh || !last || last->folder != folder) {
        if (!last)
            QTimer::singleShot(0, [] { lastSnapshot().reset(); });
        last = readFolder(folder);
    }
    m_snapshot = last;
    m_error = m_snapshot->error;
}

FolderReader::~FolderReader() = default;

bool FolderReader::next()
{
    if (m_started)
        ++m_index;
    m_started = true;
    return m_index < m_snapshot->entries.size();
}

const char* FolderReader::name() const
{
    return m_started && m_index < m_snapshot->entries.size()
               ? m_snapshot->names.constData() + m_snapshot->entries[m_index].offset
               : "";
}

std::size_t FolderReader::nameLength() const
{
    return m_started && m_index < m_snapshot->entries.size() ? m_snapshot->entries[m_index].length : 0;
}

FolderReader::Kind FolderReader::kind()
{
    return m_started && m_index < m_snapshot->entries.size() ? m_snapshot->entries[m_index].kind
                                                             : Kind::Other;
}

#else

FolderReader::FolderReader(const QByteArray& folder, bool)
{
    const QString path = QFile::decodeName(folder);
    if (!QFileInfo(path).isDir()) {
        m_error = ENOENT;
        return;
    }
    m_it = std::make_unique<QDirIterator>(path, QDir::AllEntries | QDir::System | QDir::Hidden |
                                                    QDir::NoDotAndDotDot);
}

FolderReader::~FolderReader() = default;

bool FolderReader::next()
{
    if (!m_it || !m_it->hasNext())
        return false;
    m_it->next();
    m_name = QFile::encodeName(m_it->fileName());
    return true;
}

const char* FolderReader::name() const
{
    return m_name.constData();
}

std::size_t FolderReader::nameLength() const
{
    return std::size_t(m_name.size());
}

FolderReader::Kind FolderReader::kind()
{
    const QFileInfo info = m_it->fileInfo();
    return info.isFile() ? Kind::File : info.isDir() ? Kind::Folder : Kind::Other;
}

#endif

} // namespace vorlin
