// Picture loading and the no-replace rename, beneath the window.
//
// The bitmap suite carries the pixel formats (tst_window refuses the broken files of
// MalformedBitmaps.h); the rows written here add a compressed drawing followed by a gigabyte, which
// must cost no memory, and one too high to show whole, whose top left is shown all the same.
//
// Each rename runs both through the system's no-replace rename and through link-then-unlink: a
// target that appears at the last moment, a change of letter case through a temporary name and its
// rollback, and names that are not bare. A rename to a free name is shown through the window.
#include "BmpWriter.h"
#include "NativeFiles.h"
#include "platform/Pictures.h"
#include "platform/SafeRename.h"

#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <sys/resource.h>

using namespace vorlin;
using namespace vorlin::test;
using namespace Qt::StringLiterals;

// Whether shown looks like reference, each channel within tolerance; premultiplied, the colour of a
// fully transparent pixel does not count.
static bool looksLike(const QImage& shown, const QImage& reference, int tolerance)
{
    const QImage a = shown.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 b = reference.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return a.size() == b.size() && std::equal(a.constBits(), a.constBits() + a.sizeInBytes(), b.constBits(),
                                              [&](uchar x, uchar y) { return qAbs(x - y) <= tolerance; });
}

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

class TestIo : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase() { configurePictureLoading(); }

    void showsThePictureOrItsTopLeft_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QList<QImage>>("looks"); // what it may look like (its top left where too large)
        QTest::addColumn<QString>("whole");       // "show", "" (may be refused), or why it must be refused
        const QString suite = QStringLiteral(VORLIN_BMPSUITE "/");
        QFile list(suite + u"expected.tsv"_s);
        if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
            qWarning("no bitmap suite at %s", VORLIN_BMPSUITE);
        while (list.isOpen() && !list.atEnd()) {
            const QStringList fields = QString::fromUtf8(list.readLine()).trimmed().split(u'\t');
            if (fields.size() != 3 || fields[0].startsWith(u'#'))
                continue;
            QList<QImage> looks;
            for (const QString& reference : fields[2].split(u','))
                if (reference != u"-") // none
                    looks << QImage(suite + reference);
            // The suite leaves 2 bits a pixel and run lengths that skip pixels or end early optional;
            // this loader shows them.
            const bool show =
                fields[1] == u"show" || fields[0].contains(QRegularExpression(u"^q/pal(2|.rle)"_s));
            QTest::newRow(qPrintable(fields[0]))
                << suite + fields[0] << looks << (show ? u"show"_s : QString());
        }

        // Run lengths are read as they are decoded: a gigabyte after the pixels costs no memory. Bottom
        // row first: 1 0 1 stored as they are (padded), a jump to the end of the row above, its end;
        // then a run of two 1s and the picture's end, which leaves the rest 0 (1 in the reference).
        const QString rle =
            writeFile(m_dir.filePath(u"rle.bmp"_s),
                      bmp(4, 3, 8, 1, le(0) + le(~0u), "\0\3\1\0\1\0\0\2\1\1\0\0\2\1\0\1"_ba));
        QVERIFY(QFile::resize(rle, QFileInfo(rle).size() + (qint64(1) << 30)));
        QTest::newRow("RLE8 of every escape, followed by 1 GiB of zeros")
            << rle << QList<QImage>{QImage::fromData("P1 4 3  0 0 1 1  1 1 1 1  0 1 0 1"_ba)} << u"show"_s;
        // Nine pixels of one bit: the ninth in a byte of its own, and its index past the one colour listed.
        QTest::newRow("1 bit, 9 wide, an index beyond the colour table shows black")
            << writeFile(m_dir.filePath(u"bits.bmp"_s), bmp(9, 1, 1, 0, le(0xffffff), "\0\x80\0\0"_ba, 1))
            << QList<QImage>{QImage::fromData("P1 9 1  0 0 0 0 0 0 0 0 1"_ba)} << u"show"_s;
        // Painted at 4 bytes a pixel: 550 MB, though 1 byte a pixel would be 138.
        QTest::newRow("RLE8 of 12000 by 12000, too large to show whole")
            << writeFile(m_dir.filePath(u"large.bmp"_s), bmp(12000, 12000, 8, 1, le(0), "\0\1"_ba))
            << QList<QImage>{} << u"would take 550 MB; at most 512 MB"_s;
        QTest::newRow("1 by 40000, higher than any side shown whole")
            << writeFile(m_dir.filePath(u"tall.bmp"_s), bmp(1, 40000, 24, 0, {}, QByteArray(4 * 40000, 0)))
            << QList<QImage>{} << u"at most 32767 pixels a side"_s;
    }

    // A good file is shown exactly as its reference; any other is refused or shown as one of its
    // references (a bad one without a reference can only be refused or tolerated). A questionable
    // one may lie one step off: the 11-bit values of q/rgb32-111110.bmp are no exact scaling of its
    // reference's. The top left that the box shows, 311 by 63 pixels, is the whole picture's, and is
    // shown unless the whole is refused for more than its size.
    void showsThePictureOrItsTopLeft()
    {
        QFETCH(QString, path);
        QFETCH(QList<QImage>, looks);
        QFETCH(QString, whole);
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        QImage picture, topLeft;
        const auto failure = loadPicture(path, picture);
        const auto topLeftFailure = loadPicture(QFile::encodeName(path), topLeft, QSize(311, 63));
        getrusage(RUSAGE_SELF, &after);
        QCOMPARE_LT(after.ru_maxrss - before.ru_maxrss, 64 << 10); // KiB
        const QString why = failure ? failure->description : QString();
        QVERIFY2(whole.isEmpty() || (whole == u"show" ? !failure : why.contains(whole)), qPrintable(why));
        QCOMPARE(topLeftFailure.has_value(), failure && whole.isEmpty());
        if (topLeftFailure)
            return;
        if (!failure)
            QCOMPARE(topLeft, picture.copy(QRect(0, 0, 311, 63) & picture.rect()));
        const auto looksRight = [&](const QImage& reference) {
            return looksLike(failure ? topLeft : picture, reference, path.contains(u"/q/") ? 1 : 0);
        };
        QVERIFY(looks.isEmpty() || std::any_of(looks.cbegin(), looks.cend(), looksRight));
    }

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
            "already exists.", {{"A.BMP", "pixels"}, {"a.bmp", "pixels"}}, 4);
        row("change of letter case refused at its first step", twoLinks, "A.BMP", "a.bmp",
            "Cannot rename \"A.BMP\" to \"a.bmp\": \"A.BMP\" does not exist.", {{"a.bmp", "pixels"}}, 1,
            {{{"A.BMP", ""}}});
        const Files bystanders{{"a.bmp", "pixels"}, {"sub", "<not a file>"}};
        row("new name into a subfolder", bystanders, "a.bmp", "sub/a.bmp",
            "Cannot rename \"a.bmp\" to \"sub/a.bmp\": a file name cannot hold \"/\" (\"sub/a.bmp\").",
            bystanders);
        row("new name of the folder above", bystanders, "a.bmp", "..", "\"..\" is not a file name",
            bystanders);
        row("no old name", bystanders, "", "a.bmp", "a file name cannot be empty", bystanders);
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
        // The other program writes in the folder of the target the hook is told of.
        setBeforeRenameHookForTesting([&](const QByteArray& target) {
            make(target.left(target.lastIndexOf('/')), meanwhile.value(steps++));
        });
        QFETCH(bool, linkFallback);
        setForceLinkFallbackForTesting(linkFallback);
        const auto failure = renameNoReplace(dir.path(), oldName, newName);
        setBeforeRenameHookForTesting({});
        setForceLinkFallbackForTesting(false);
        const QString description = failure ? failure->description : QString();
        QVERIFY2(why.isEmpty() ? !failure : description.contains(why), qPrintable(description));
        QTEST(snapshot(dir.path()), "after");
        QTEST(steps, "steps");
    }
};

QTEST_GUILESS_MAIN(TestIo)
#include "tst_io.moc"
