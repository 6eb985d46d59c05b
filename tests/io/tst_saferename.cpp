// The no-replace rename beneath the window, where the window cannot reach: both ways of renaming
// (the system's no-replace rename and link-then-unlink), a target that appears at the last moment,
// the temporary name of a change of letter case and its rollback, and names that are not bare.
#include "NativeFiles.h"
#include "platform/SafeRename.h"

#include <QTemporaryDir>
#include <QTest>
#include <cerrno>

using namespace vorlin;
using namespace vorlin::test;

class TestSafeRename : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QList<QByteArray> m_targets; // what the hook saw, in turn

    QString folder() const { return m_dir->path(); }
    QByteArray path(const QByteArray& name) const { return QFile::encodeName(folder()) + '/' + name; }
    void write(const QByteArray& name, const QByteArray& content)
    {
        QVERIFY(writeNative(path(name), content));
    }
    struct stat statOf(const QByteArray& name) const
    {
        struct stat st
        {};
        ::lstat(path(name).constData(), &st);
        return st;
    }
    void onRename(std::function<void(const QByteArray&)> also)
    {
        setBeforeRenameHookForTesting([this, also](const QByteArray& target) {
            m_targets << target;
            if (also)
                also(target);
        });
    }
    static void addWays()
    {
        QTest::addColumn<bool>("linkFallback");
        QTest::newRow("no-replace rename") << false;
        QTest::newRow("link then unlink") << true;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_targets.clear();
        onRename({});
        setForceLinkFallbackForTesting(QTest::currentDataTag() &&
                                       !qstrcmp(QTest::currentDataTag(), "link then unlink"));
    }

    void cleanup()
    {
        setBeforeRenameHookForTesting({});
        setForceLinkFallbackForTesting(false);
        m_dir.reset();
    }

    // A Latin-1 name beside its UTF-8 namesake: the rename takes the bytes, not their text.
    void renamesTheFileItselfByteForByte_data() { addWays(); }
    void renamesTheFileItselfByteForByte()
    {
        write("Lok \xe9t\xe9.dib", "pixels");
        write("Lok \xc3\xa9t\xc3\xa9.dib", "the UTF-8 namesake");
        const ino_t inode = statOf("Lok \xe9t\xe9.dib").st_ino;
        const auto failure = renameNoReplace(folder(), "Lok \xe9t\xe9.dib", "F_SNCF_E_BB9004.bmp");
        QVERIFY2(!failure, failure ? qPrintable(failure->description) : "");
        QCOMPARE(snapshot(folder()), (Files{{"F_SNCF_E_BB9004.bmp", "pixels"},
                                            {"Lok \xc3\xa9t\xc3\xa9.dib", "the UTF-8 namesake"}}));
        QCOMPARE(statOf("F_SNCF_E_BB9004.bmp").st_ino, inode); // renamed, not copied
        QCOMPARE(m_targets, QList<QByteArray>{path("F_SNCF_E_BB9004.bmp")});
    }

    // Another program creates the target between any check and the rename itself.
    void refusesATargetThatAppearsAtTheLastMoment_data() { addWays(); }
    void refusesATargetThatAppearsAtTheLastMoment()
    {
        write("old.bmp", "old pixels");
        onRename([this](const QByteArray& target) {
            if (target == path("new.bmp") && !QFile::exists(QFile::decodeName(target)))
                write("new.bmp", "arrived meanwhile");
        });
        const auto failure = renameNoReplace(folder(), "old.bmp", "new.bmp");
        QVERIFY(failure);
        QCOMPARE(failure->number, EEXIST);
        QCOMPARE(
            failure->description,
            QStringLiteral("Cannot rename \"old.bmp\" to \"new.bmp\": a file of that name already exists."));
        QCOMPARE(snapshot(folder()), (Files{{"new.bmp", "arrived meanwhile"}, {"old.bmp", "old pixels"}}));
        QCOMPARE(m_targets, QList<QByteArray>{path("new.bmp")}); // no detour through a temporary name
    }

    // Where the file system ignores letter case, the new spelling already names the file itself.
    // Two links to one file behave alike; the other link vanishing once the file has moved to its
    // temporary name stands for the old spelling vanishing.
    void reachesTheSameFileThroughATemporaryName_data() { addWays(); }
    void reachesTheSameFileThroughATemporaryName()
    {
        write("a.bmp", "pixels");
        QCOMPARE(::link(path("a.bmp").constData(), path("A.BMP").constData()), 0);
        onRename([this](const QByteArray& target) {
            if (target != path("A.BMP"))
                ::unlink(path("A.BMP").constData());
        });
        const auto failure = renameNoReplace(folder(), "a.bmp", "A.BMP");
        QVERIFY2(!failure, failure ? qPrintable(failure->description) : "");
        QCOMPARE(snapshot(folder()), (Files{{"A.BMP", "pixels"}}));
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
        QCOMPARE(snapshot(folder()), (Files{{"a.bmp", "pixels"}, {"b.bmp", "pixels"}}));
        QCOMPARE(m_targets.size(), 4); // direct, to the temporary name, on (refused), back
        QCOMPARE(m_targets.last(), path("a.bmp"));
    }

    void keepsAFileRenamedToItsOwnName()
    {
        write("I_FS_E_E626.bmp", "pixels");
        const struct stat before = statOf("I_FS_E_E626.bmp");
        QVERIFY(!renameNoReplace(folder(), "I_FS_E_E626.bmp", "I_FS_E_E626.bmp"));
        const struct stat after = statOf("I_FS_E_E626.bmp");
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_ctim.tv_sec, before.st_ctim.tv_sec);
        QCOMPARE(after.st_ctim.tv_nsec, before.st_ctim.tv_nsec);
        QVERIFY(m_targets.isEmpty());
        const auto failure = renameNoReplace(folder(), "gone.bmp", "gone.bmp");
        QVERIFY(failure);
        QCOMPARE(failure->number, ENOENT);
    }

    // The picked file was replaced by a folder: the folder is left alone.
    void refusesAFolderInThePickedFilesPlace()
    {
        QCOMPARE(::mkdir(path("a.bmp").constData(), 0700), 0);
        const auto failure = renameNoReplace(folder(), "a.bmp", "b.bmp");
        QVERIFY(failure);
        QCOMPARE(failure->number, EISDIR);
        QCOMPARE(snapshot(folder()), (Files{{"a.bmp", "<not a file>"}}));
    }

    void refusesWhatIsNotABareName_data()
    {
        QTest::addColumn<QByteArray>("oldName");
        QTest::addColumn<QByteArray>("newName");
        QTest::addColumn<QString>("why");
        const auto row = [](const char* tag, const QByteArray& oldName, const QByteArray& newName,
                            const char* why) {
            QTest::newRow(tag) << oldName << newName << QString::fromLatin1(why);
        };
        row("new name into an existing subfolder", "a.bmp", "sub/a.bmp", "cannot hold \"/\" (\"sub/a.bmp\")");
        row("old name in the subfolder", "sub/b.bmp", "b.bmp", "cannot hold");
        row("empty new name", "a.bmp", "", "cannot be empty");
        row("empty old name", "", "b.bmp", "cannot be empty");
        row("new name \"..\"", "a.bmp", "..", "\"..\" is not a file name");
        row("zero byte", "a.bmp", QByteArray("b\0.bmp", 6), "zero byte");
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
        QCOMPARE(snapshot(folder()), (Files{{"a.bmp", "pixels"}, {"sub", "<not a file>"}}));
        QCOMPARE(snapshot(folder() + "/sub"), (Files{{"b.bmp", "sub pixels"}}));
        QVERIFY(m_targets.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSafeRename)
#include "tst_saferename.moc"
