#include "platform/SafeRename.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vorlin;

namespace {

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

// The names in a folder, byte for byte, sorted.
QList<QByteArray> namesIn(const QString& folder)
{
    QList<QByteArray> names;
    if (DIR* dir = ::opendir(native(folder).constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..")
                names << name;
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct stat statOf(const QByteArray& path)
{
    struct stat st
    {};
    ::lstat(path.constData(), &st);
    return st;
}

} // namespace

class TestSafeRename : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir* m_dir = nullptr;
    QList<QByteArray> m_targets; // what the hook saw

    QString folder() const { return m_dir->path(); }
    QByteArray path(const QByteArray& name) const { return native(folder()) + '/' + name; }
    // Byte-exact names: QFile would re-encode a name that is not valid UTF-8.
    void write(const QByteArray& name, const QByteArray& content)
    {
        const int fd = ::open(path(name).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, content.constData(), size_t(content.size())), ssize_t(content.size()));
        ::close(fd);
    }
    QByteArray read(const QByteArray& name) const
    {
        const int fd = ::open(path(name).constData(), O_RDONLY);
        if (fd < 0)
            return "<missing>";
        char buffer[256];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        ::close(fd);
        return QByteArray(buffer, int(qMax<ssize_t>(n, 0)));
    }
    void recordTargets(std::function<void(const QByteArray&)> also = {})
    {
        setBeforeRenameHookForTesting([this, also](const QByteArray& target) {
            m_targets << target;
            if (also)
                also(target);
        });
    }

    // Every behaviour holds both for the system's no-replace rename and for the link-then-unlink
    // way taken where the file system lacks it.
    static void addWays()
    {
        QTest::addColumn<bool>("linkFallback");
        QTest::newRow("no-replace rename") << false;
        QTest::newRow("link then unlink") << true;
    }

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        QVERIFY(m_dir->isValid());
        m_targets.clear();
        recordTargets();
        if (QTest::currentDataTag() && qstrcmp(QTest::currentDataTag(), "link then unlink") == 0)
            setForceLinkFallbackForTesting(true);
    }

    void cleanup()
    {
        setBeforeRenameHookForTesting({});
        setForceLinkFallbackForTesting(false);
        delete m_dir;
        m_dir = nullptr;
    }

    void renamesWithinTheFolder_data() { addWays(); }
    void renamesWithinTheFolder()
    {
        write("old drawing.dib", "pixels");
        const ino_t inode = statOf(path("old drawing.dib")).st_ino;
        const auto failure = renameNoReplace(folder(), "old drawing.dib", "I_FS_E_E626.bmp");
        QVERIFY2(!failure, failure ? qPrintable(failure->description) : "");
        QCOMPARE(namesIn(folder()), QList<QByteArray>{"I_FS_E_E626.bmp"});
        QCOMPARE(read("I_FS_E_E626.bmp"), QByteArray("pixels"));
        QCOMPARE(statOf(path("I_FS_E_E626.bmp")).st_ino, inode); // renamed, not copied
        QCOMPARE(m_targets, QList<QByteArray>{path("I_FS_E_E626.bmp")});
    }

    void refusesAnExistingTarget_data() { addWays(); }
    void refusesAnExistingTarget()
    {
        write("old.bmp", "old pixels");
        write("I_FS_E_E626.bmp", "other pixels");
        const auto failure = renameNoReplace(folder(), "old.bmp", "I_FS_E_E626.bmp");
        QVERIFY(failure);
        QCOMPARE(failure->number, EEXIST);
        QCOMPARE(
            failure->description,
            QStringLiteral(
                "Cannot rename \"old.bmp\" to \"I_FS_E_E626.bmp\": a file of that name already exists."));
        QCOMPARE(read("old.bmp"), QByteArray("old pixels"));
        QCOMPARE(read("I_FS_E_E626.bmp"), QByteArray("other pixels"));
        QCOMPARE(namesIn(folder()), (QList<QByteArray>{"I_FS_E_E626.bmp", "old.bmp"}));
    }

    // Another program creates the target between any check and the rename itself.
    void refusesATargetThatAppearsAtTheLastMoment_data() { addWays(); }
    void refusesATargetThatAppearsAtTheLastMoment()
    {
        write("old.bmp", "old pixels");
        recordTargets([this](const QByteArray& target) {
            if (target == path("new.bmp") && !QFile::exists(QFile::decodeName(target)))
                write("new.bmp", "arrived meanwhile");
        });
        const auto failure = renameNoReplace(folder(), "old.bmp", "new.bmp");
        QVERIFY(failure);
        QCOMPARE(failure->number, EEXIST);
        QCOMPARE(read("new.bmp"), QByteArray("arrived meanwhile"));
        QCOMPARE(read("old.bmp"), QByteArray("old pixels"));
        QCOMPARE(namesIn(folder()), (QList<QByteArray>{"new.bmp", "old.bmp"}));
    }

    void changesTheLetterCaseOnly_data() { addWays(); }
    void changesTheLetterCaseOnly()
    {
        write("i_fs_e_e626.bmp", "pixels");
        const auto failure = renameNoReplace(folder(), "i_fs_e_e626.bmp", "I_FS_E_E626.BMP");
        QVERIFY2(!failure, failure ? qPrintable(failure->description) : "");
        QCOMPARE(namesIn(folder()), QList<QByteArray>{"I_FS_E_E626.BMP"});
        QCOMPARE(read("I_FS_E_E626.BMP"), QByteArray("pixels"));
    }

    // Where the file system ignores letter case, the new spelling already names the file itself.
    // Two links to one file behave alike here; the other link vanishing once the file has moved
    // to its temporary name stands for the old spelling vanishing.
    void reachesTheSameFileThroughATemporaryName_data() { addWays(); }
    void reachesTheSameFileThroughATemporaryName()
    {
        write("a.bmp", "pixels");
        QCOMPARE(::link(path("a.bmp").constData(), path("A.BMP").constData()), 0);
        recordTargets([this](const QByteArray& target) {
            if (target != path("A.BMP"))
                ::unlink(path("A.BMP").constData());
        });
        const auto failure = renameNoReplace(folder(), "a.bmp", "A.BMP");
        QVERIFY2(!failure, failure ? qPrintable(failure->description) : "");
        QCOMPARE(namesIn(folder()), QList<QByteArray>{"A.BMP"});
        QCOMPARE(read("A.BMP"), QByteArray("pixels"));
        QCOMPARE(m_targets.size(), 3); // the direct try, then to the temporary name and on
    }

    void rollsBackWhenTheSecondStepIsRefused_data() { addWays(); }
    void rollsBackWhenTheSecondStepIsRefused()
    {
        write("a.bmp", "pixels");
        QCOMPARE(::link(path("a.bmp").constData(), path("b.bmp").constData()), 0);
        const auto failure = renameNoReplace(folder(), "a.bmp", "b.bmp");
        QVERIFY(failure);
        QCOMPARE(failure->number, EEXIST);
        QCOMPARE(namesIn(folder()), (QList<QByteArray>{"a.bmp", "b.bmp"}));
        QCOMPARE(read("a.bmp"), QByteArray("pixels"));
        QCOMPARE(m_targets.size(), 4); // direct, to the temporary name, on (refused), back
        QCOMPARE(m_targets.last(), path("a.bmp"));
    }

    void keepsAFileRenamedToItsOwnName()
    {
        write("I_FS_E_E626.bmp", "pixels");
        const struct stat before = statOf(path("I_FS_E_E626.bmp"));
        QVERIFY(!renameNoReplace(folder(), "I_FS_E_E626.bmp", "I_FS_E_E626.bmp"));
        const struct stat after = statOf(path("I_FS_E_E626.bmp"));
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_ctim.tv_sec, before.st_ctim.tv_sec);
        QCOMPARE(after.st_ctim.tv_nsec, before.st_ctim.tv_nsec);
        QVERIFY(m_targets.isEmpty());

        const auto failure = renameNoReplace(folder(), "gone.bmp", "gone.bmp");
        QVERIFY(failure);
        QCOMPARE(failure->number, ENOENT);
    }

    void reportsAMissingFile_data() { addWays(); }
    void reportsAMissingFile()
    {
        write("other.bmp", "pixels");
        const auto failure = renameNoReplace(folder(), "gone.bmp", "new.bmp");
        QVERIFY(failure);
        QCOMPARE(failure->number, ENOENT);
        QCOMPARE(failure->description,
                 QStringLiteral("Cannot rename \"gone.bmp\" to \"new.bmp\": \"gone.bmp\" does not exist."));
        QCOMPARE(namesIn(folder()), QList<QByteArray>{"other.bmp"});
    }

    void refusesWhatIsNotABareName_data()
    {
        QTest::addColumn<QByteArray>("oldName");
        QTest::addColumn<QByteArray>("newName");
        QTest::addColumn<QString>("why");
        QTest::newRow("new name into an existing subfolder")
            << QByteArray("a.bmp") << QByteArray("sub/a.bmp") << "cannot hold \"/\" (\"sub/a.bmp\")";
        QTest::newRow("new name up one folder")
            << QByteArray("a.bmp") << QByteArray("../a.bmp") << "cannot hold \"/\"";
        QTest::newRow("new name ending in a slash")
            << QByteArray("a.bmp") << QByteArray("b.bmp/") << "cannot hold";
        QTest::newRow("old name in the subfolder")
            << QByteArray("sub/b.bmp") << QByteArray("b.bmp") << "cannot hold";
        QTest::newRow("empty new name") << QByteArray("a.bmp") << QByteArray() << "cannot be empty";
        QTest::newRow("empty old name") << QByteArray() << QByteArray("b.bmp") << "cannot be empty";
        QTest::newRow("new name \".\"")
            << QByteArray("a.bmp") << QByteArray(".") << "\".\" is not a file name";
        QTest::newRow("new name \"..\"")
            << QByteArray("a.bmp") << QByteArray("..") << "\"..\" is not a file name";
        QTest::newRow("zero byte") << QByteArray("a.bmp") << QByteArray("b\0.bmp", 6) << "zero byte";
    }
    void refusesWhatIsNotABareName()
    {
        QFETCH(QByteArray, oldName);
        QFETCH(QByteArray, newName);
        QFETCH(QString, why);
        write("a.bmp", "pixels");
        QCOMPARE(::mkdir(path("sub").constData(), 0700), 0);
        write("sub/b.bmp", "sub pixels");

        const auto failure = renameNoReplace(folder(), oldName, newName);
        QVERIFY(failure);
        QCOMPARE(failure->number, EINVAL);
        QVERIFY2(failure->description.startsWith("Cannot rename \""), qPrintable(failure->description));
        QVERIFY2(failure->description.contains(why), qPrintable(failure->description));
        QCOMPARE(namesIn(folder()), (QList<QByteArray>{"a.bmp", "sub"}));
        QCOMPARE(namesIn(QFile::decodeName(path("sub"))), QList<QByteArray>{"b.bmp"});
        QVERIFY(m_targets.isEmpty());
    }

    void refusesANameTooLong_data() { addWays(); }
    void refusesANameTooLong()
    {
        write("old.bmp", "pixels");
        const QByteArray longName = QByteArray(252, 'x') + ".bmp"; // 256 bytes
        const auto failure = renameNoReplace(folder(), "old.bmp", longName);
        QVERIFY(failure);
        QCOMPARE(failure->number, ENAMETOOLONG);
        QVERIFY(failure->description.endsWith(": the new name is too long."));
        QCOMPARE(namesIn(folder()), QList<QByteArray>{"old.bmp"});
    }

    // A name that is not valid UTF-8 is renamed byte for byte, and becomes one that is.
    void renamesNamesThatAreNotUtf8_data() { addWays(); }
    void renamesNamesThatAreNotUtf8()
    {
        const QByteArray latin1("Lok \xe9t\xe9.dib"); // "Lok été.dib" written by a Latin-1 system
        write(latin1, "pixels");
        write("Lok \xc3\xa9t\xc3\xa9.dib", "the UTF-8 namesake");
        QVERIFY(!renameNoReplace(folder(), latin1, "F_SNCF_E_BB9004.bmp"));
        QCOMPARE(namesIn(folder()), (QList<QByteArray>{"F_SNCF_E_BB9004.bmp", "Lok \xc3\xa9t\xc3\xa9.dib"}));
        QCOMPARE(read("F_SNCF_E_BB9004.bmp"), QByteArray("pixels"));
        QCOMPARE(read("Lok \xc3\xa9t\xc3\xa9.dib"), QByteArray("the UTF-8 namesake"));
    }

    void reportsAMissingFolder()
    {
        const QString gone = folder() + "/unplugged";
        const auto failure = renameNoReplace(gone, "a.bmp", "b.bmp");
        QVERIFY(failure);
        QCOMPARE(failure->number, ENOENT);
        QVERIFY2(
            failure->description.contains(QStringLiteral("the folder \"%1\" cannot be opened").arg(gone)),
            qPrintable(failure->description));
    }

    // Needs a folder on a file system that ignores letter case (vfat, or ext4 with casefold),
    // which only an administrator can mount; name it in VORLIN_CASE_INSENSITIVE_DIR.
    void changesTheLetterCaseWhereCaseIsIgnored_data() { addWays(); }
    void changesTheLetterCaseWhereCaseIsIgnored()
    {
        const QString where = qEnvironmentVariable("VORLIN_CASE_INSENSITIVE_DIR");
        if (where.isEmpty())
            QSKIP("no case-insensitive file system given in VORLIN_CASE_INSENSITIVE_DIR");
        QTemporaryDir dir(where + "/vorlin-XXXXXX");
        QVERIFY(dir.isValid());
        QFile f(dir.filePath("loco.bmp"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("pixels") == 6);
        f.close();
        QVERIFY(QFile::exists(dir.filePath("LOCO.BMP")));
        const auto failure = renameNoReplace(dir.path(), "loco.bmp", "LOCO.BMP");
        QVERIFY2(!failure, failure ? qPrintable(failure->description) : "");
        QCOMPARE(namesIn(dir.path()), QList<QByteArray>{"LOCO.BMP"});
    }
};

QTEST_GUILESS_MAIN(TestSafeRename)
#include "tst_saferename.moc"
