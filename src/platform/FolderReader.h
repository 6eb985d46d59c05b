#pragma once

#include <QByteArray>
#include <cstddef>

#ifdef Q_OS_WIN
#include <QDirIterator>
#include <memory>
#else
#include <dirent.h>
#include <memory>
#endif

namespace vorlin {

// Reads the entries of one folder in a single pass, without sorting and without a stat per entry:
// the kind of an entry comes from the directory itself and is only looked up for symbolic links
// (followed, so a link to a file counts as a file and a dangling link as neither) and for file
// systems that do not report it. "." and ".." are skipped.
class FolderReader
{
public:
    enum class Kind { File, Folder, Other };

    // Lists sharing one folder within one event share one reading of it; fresh reads it anew.
    explicit FolderReader(const QByteArray& folder, bool fresh = false);
    ~FolderReader();
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    // The errno of opening the folder, 0 when it is open.
    int error() const { return m_error; }

    // Moves to the next entry; false at the end.
    bool next();
    const char* name() const;
    std::size_t nameLength() const;
    Kind kind();

private:
    int m_error = 0;
#ifdef Q_OS_WIN
    std::unique_ptr<QDirIterator> m_it;
    QByteArray m_name;
#else
    std::shared_ptr<const struct FolderSnapshot> m_snapshot;
    std::size_t m_index = 0;
    bool m_started = false;
#endif
};

} // namespace vorlin
