// The no-replace rename beneath the window, each case both through the system's no-replace rename
// and through link-then-unlink: a target that appears at the last moment, a change of letter case
// through a temporary name and its rollback, and names that are not bare.
#include "NativeFiles.h"
#include "platform/SafeRename.h"

#include <QTemporaryDir>
#include <QTest>

using namespace vorlin;
using namespace vorlin::test;
using namespace Qt::StringLiterals;

// Makes each entry in the folder: a folder for "<not a file>", another link to the file NAME for
// "=NAME", nothing for "" (an entry there is removed), else a file of that content.
static void make(const QByteArray& folder, const Files& entries)
{
    for (auto [name, content] : entries.asKeyValueRange()) {
        const QByteArray path = folder + '/' + name, linked = folder + '/' + content.mid(1);
        QVERIFY2(content.isEmpty()           ? ::unlink(path.constData()) == 0
                 : content == "<not a file>" ? ::mkdir(path.constData(), 0700) == 0
                 : content.startsWith('=')   ? ::link(linked.constData(), path.constData()) == 0
                                             : writeNative(path, content),
                 path.constData());
    }
}

class TestSafeRename : public QObject
{
    Q_OBJECT

private slots:
    void renamesWithoutReplacing_data()
    {
        QTest::addColumn<bool>("linkFallback");
        QTest::addColumn<Files>("before");
        QTest::addColumn<QList<Files>>("meanwhile"); // what another program changes before each step
        QTest::addColumn<QByteArray>("oldName");
        QTest::addColumn<QByteArray>("newName");
        QTest::addColumn<QString>("why"); // a part of the failure's description; empty: none
        QTest::addColumn<Files>("after");
        QTest::addColumn<int>("steps"); // renames tried
        const auto row = [](const char* tag, const Files& before, const QByteArray& oldName,
                            const QByteArray& newName, const char* why, const Files& after, int steps = 0,
                            const QList<Files>& meanwhile = {}) {
            for (const bool linkFallback : {false, true})
                QTest::addRow("%s, %s", tag, linkFallback ? "link then unlink" : "no-replace rename")
                    << linkFallback << before << meanwhile << oldName << newName << QString::fromUtf8(why)
                    << after << steps;
        };
        row("to a free name", {{"old.bmp", "pixels"}}, "old.bmp", "new.bmp", "", {{"new.bmp", "pixels"}}, 1);
        row("target appearing at the last moment", {{"old.bmp", "pixels"}}, "old.bmp", "new.bmp",
            "Cannot rename \"old.bmp\" to \"new.bmp\": a file of that name already exists.",
            {{"new.bmp", "arrived meanwhile"}, {"old.bmp", "pixels"}}, 1,
            {{{"new.bmp", "arrived meanwhile"}}});
        // Where the file system ignores letter case, the new spelling already names the file itself:
        // two links to one file stand for that, the other link vanishing once the file has moved to
        // its temporary name for the old spelling vanishing.
        const Files twoLinks{{"A.BMP", "pixels"}, {"a.bmp", "=A.BMP"}};
        row("change of letter case, through a temporary name", twoLinks, "A.BMP", "a.bmp", "",
            {{"a.bmp", "pixels"}}, 3, {{}, {{"a.bmp", ""}}});
        row("change of letter case rolled back when its second step is refused", twoLinks, "A.BMP", "a.bmp",
            "already exists", {{"A.BMP", "pixels"}, {"a.bmp", "pixels"}}, 4);
        const Files bystanders{{"a.bmp", "pixels"}, {"sub", "<not a file>"}};
        row("new name into a subfolder", bystanders, "a.bmp", "sub/a.bmp",
            "cannot hold \"/\" (\"sub/a.bmp\")", bystanders);
        row("zero byte", bystanders, "a.bmp", "b\0.bmp"_ba, "zero byte", bystanders);
    }

    void renamesWithoutReplacing()
    {
        QFETCH(Files, before);
        QFETCH(QList<Files>, meanwhile);
        QFETCH(QByteArray, oldName);
        QFETCH(QByteArray, newName);
        QFETCH(QString, why);
        const QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path());
        make(folder, before);
        int steps = 0;
        setBeforeRenameHookForTesting([&](const QByteArray&) { make(folder, meanwhile.value(steps++)); });
        QFETCH(bool, linkFallback);
        setForceLinkFallbackForTesting(linkFallback);
        const auto failure = renameNoReplace(dir.path(), oldName, newName);
        setBeforeRenameHookForTesting({});
        setForceLinkFallbackForTesting(false);
        const QString description = failure ? failure->description : QString();
        QVERIFY2(why.isEmpty() ? !failure
                               : description.startsWith(u"Cannot rename \""_s) && description.contains(why),
                 qPrintable(description));
        QTEST(snapshot(dir.path()), "after");
        QTEST(steps, "steps");
    }
};

QTEST_GUILESS_MAIN(TestSafeRename)
#include "tst_saferename.moc"
