#include "FolderReader.h"

#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <QFile>
#include <QFileInfo>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace vorlin {

#ifndef Q_OS_WIN

FolderReader::FolderReader(const QByteArray& folder)
{
    m_dir = ::opendir(folder.constData());
    if (!m_dir)
        m_error = errno ? errno : ENOENT;
}

FolderReader::~FolderReader()
{
    if (m_dir)
        ::closedir(m_dir);
}

bool FolderReader::next()
{
    if (!m_dir)
        return false;
    while ((m_entry = ::readdir(m_dir))) {
        const char* n = m_entry->d_name;
        if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0')))
            continue;
        m_length = std::strlen(n);
        return true;
    }
    return false;
}

const char* FolderReader::name() const
{
    return m_entry ? m_entry->d_name : "";
}

std::size_t FolderReader::nameLength() const
{
    return m_entry ? m_length : 0;
}

FolderReader::Kind FolderReader::kind()
{
    if (!m_entry)
        return Kind::Other;
    switch (m_entry->d_type) {
    case DT_REG:
        return Kind::File;
    case DT_DIR:
        return Kind::Folder;
    case DT_LNK:
    case DT_UNKNOWN:
        break;
    default:
        return Kind::Other;
    }
    struct stat st;
    if (::fstatat(::dirfd(m_dir), m_entry->d_name, &st, 0) != 0)
        return Kind::Other;
    if (S_ISREG(st.st_mode))
        return Kind::File;
    if (S_ISDIR(st.st_mode))
        return Kind::Folder;
    return Kind::Other;
}

#else

FolderReader::FolderReader(const QByteArray& folder)
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
