// The main window through its controls, as mouse, keyboard and screen-reader users meet it:
// drives, the fields read from a picked name, typed codes, list keys, tab order, scaling;
// then "Rename!" and the preview on real files, hostile ones included: the composed name, every
// refusal, and that no file is ever lost, replaced or renamed but the one picked.
#include "MalformedBitmaps.h"
#include "UiTestSupport.h"
#include "platform/Pictures.h"
#include "ui/Style.h"
#include "ui/frmAbout.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QCheckBox>
#include <QCompleter>
#include <QFontInfo>
#include <QPainter>
#include <QProcess>
#include <functional>

using namespace vorlin;
using namespace vorlin::test;
using namespace Qt::StringLiterals;

const QString NewName = u"I_FS_E_E626.bmp"_s;
using Setup = std::function<void(Window&)>;

// Keys go where the user's keys go: to an open menu or popup, else to the widget with the focus
// (the offscreen platform may still name a popup that just closed as the window with the focus).
static void press(Qt::Key key)
{
    QTest::keyClick(QApplication::activePopupWidget() ? nullptr : QApplication::focusWidget(), key);
}

// Whether a window looks exactly as its picture in references/ (VORLIN_WRITE_REFERENCES=1 writes
// it), the areas in masked (in the window's coordinates) left out. Where not, the picture it has
// is left in the temporary folder to compare.
static bool looksAsReference(QWidget* window, const QString& name, const QList<QRect>& masked = {})
{
    QImage shot = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QPainter painter(&shot);
    for (const QRect& area : masked)
        painter.fillRect(area, Qt::magenta);
    painter.end();
    const QString reference = QStringLiteral(VORLIN_REFERENCES "/") + name + u".png"_s;
    if (qEnvironmentVariableIsSet("VORLIN_WRITE_REFERENCES"))
        shot.save(reference);
    if (shot == QImage(reference).convertToFormat(QImage::Format_RGB32))
        return true;
    const QString actual = QDir::temp().filePath(name + u".png"_s);
    qWarning("%s differs from %s; see %s", qPrintable(name), qPrintable(reference), qPrintable(actual));
    shot.save(actual);
    return false;
}

Q_DECLARE_METATYPE(Setup)

class TestWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<Window> w;
    FileListBox* file2() const { return w->get<FileListBox>("File2"); }
    // The window, the folder list and the process are all in folder.
    void expectOpen(const QString& folder)
    {
        QCOMPARE(w->frm->strPath(), folder);
        QCOMPARE(w->get<DirListBox>("dirSourceBMP")->path(), folder);
        QCOMPARE(w->get<FileListBox>("File1")->path(), folder);
        QCOMPARE(QDir::current(), QDir(folder));
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(u"Vorlin"_s);
        configurePictureLoading();
    }
    void init()
    {
        w = std::make_unique<Window>();
        w->frm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w->frm.get()));
    }
    void cleanup() { w.reset(); }

    void choosingADrive_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("prompt"); // empty: opened; else the report, or a text it names
        QTest::addColumn<QString>("box");    // its style and title
        QTest::newRow("another drive's root") << u"ready"_s << QString() << QString();
        QTest::newRow("its root open already in the folder list") << u"open"_s << QString() << QString();
        QTest::newRow("unplugged stick") << u"gone"_s << u"Device NOT available!"_s << u"48 Quenta"_s;
        // A root that is a loop of symbolic links fails with a number other than 68.
        QTest::newRow("other failure") << u"loop"_s << u"stick"_s << u"0 Vorlin"_s;
    }

    // A drive that fails is reported, and the previous drive comes back, open at its root.
    void choosingADrive()
    {
        QFETCH(QString, kind);
        QFETCH(QString, prompt);
        w.reset(); // the next window starts in a folder of its own
        w = std::make_unique<Window>(u"Drawings"_s);
        expectOpen(w->file(u"Drawings"_s));
        const QString stick = w->file(u"stick"_s);
        if (kind == u"loop"_s)
            QVERIFY(QFile::link(stick, stick));
        else if (kind != u"gone"_s)
            QVERIFY(QDir().mkdir(stick) && writeBitmap(stick + u"/V200.bmp"_s));
        w->setDrives(stick, u"STICK"_s);
        if (kind == u"open"_s)
            QVERIFY(w->open(stick + u'/'));
        w->get<DriveListBox>("Drive1")->setDrive(stick);
        if (prompt.isEmpty()) {
            expectOpen(stick + u'/');
            QCOMPARE(entries(w->get<FileListBox>("File2")), QStringList(u"V200.bmp"_s));
            QVERIFY(w->boxes.isEmpty());
            return;
        }
        QCOMPARE(w->boxes.size(), 1);
        QVERIFY2(w->boxes[0].prompt.contains(prompt), qPrintable(w->boxes[0].prompt));
        QTEST(u"%1 %2"_s.arg(w->boxes[0].style).arg(w->boxes[0].title), "box");
        QCOMPARE(w->get<DriveListBox>("Drive1")->drive(), w->folder.path());
        expectOpen(w->folder.path() + u'/');
    }

    void pickingFillsTheFields_data()
    {
        QTest::addColumn<bool>("maintain");
        QTest::addColumn<QString>("first"); // picked before, when given
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* tag, bool maintain, const char* first, const char* name,
                            const char* fields) {
            QTest::newRow(tag) << maintain << QString::fromLatin1(first) << QString::fromLatin1(name)
                               << QString::fromLatin1(fields);
        };
        const char* full = "I_FS_E_E626_2.bmp";
        row("conforming name with a suffix", false, "", "FRG_DB_V_V200_SAR.bmp", "FRG|DB|V|V200|SAR");
        row("maintained from the start: country A, the first entry; unknown type code", true, "",
            "A_FS_XX_E626.BMP", "A|FS||E626|");
        row("DIB name is not split", false, "", "I_FS_E_E626_2.dib", "|||I|2");
        row("unmaintained: the next pick clears every field", false, full, "A_OBB.bmp", "A|||OBB|");
        row("maintained: three underscores keep the suffix; the company as written", true, full,
            "A_Obb_E_1044.bmp", "A|Obb|E|1044|2");
        row("maintained: one underscore keeps company and type", true, full, "A_OBB.bmp", "A|FS|E|OBB|2");
        row("maintained: a plain name writes acronym and suffix", true, full, "E656.bmp", "I|FS|E|E656|");
        row("maintained: a DIB writes acronym and suffix", true, full, "E626.dib", "I|FS|E|E626|");
    }

    // The picture shows in the box of its kind; the new name's field keeps what it showed.
    void pickingFillsTheFields()
    {
        QFETCH(bool, maintain);
        QFETCH(QString, first);
        QFETCH(QString, name);
        w->get<QCheckBox>("chkM")->setChecked(maintain);
        QVERIFY(first.isEmpty() || w->pick(first));
        w->get<QLineEdit>("txtFile")->setText(u"shown before"_s);
        QVERIFY(w->pick(name, Qt::green));
        // Country and type by the codes their boxes show, then company, acronym and suffix.
        QTEST(u"%1|%2|%3|%4|%5"_s.arg(w->get<QComboBox>("cboUland")->currentText().section(u' ', 0, 0))
                  .arg(w->get<QLineEdit>("txtCompany")->text())
                  .arg(w->get<QComboBox>("cboGT")->currentText().section(u' ', 0, 0))
                  .arg(w->get<QLineEdit>("txtAcronym")->text(), w->get<QLineEdit>("txtSuffix")->text()),
              "expected");
        QCOMPARE(w->frm->strFile(), name);
        QCOMPARE(w->get<QLineEdit>("txtFile")->text(), u"shown before"_s);
    }

    void typedCodesStayAsTyped_data()
    {
        QTest::addColumn<QString>("combo");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("downs");     // arrow-key presses after typing
        QTest::addColumn<QString>("leave"); // Enter or Tab, then Rename! by key; else the control clicked
        QTest::addColumn<QString>("renamed");
        const auto row = [](const char* tag, const char* combo, const char* typed, int downs,
                            const char* leave, const char* renamed) {
            QTest::newRow(tag) << QString::fromLatin1(combo) << QString::fromLatin1(typed) << downs
                               << QString::fromLatin1(leave) << QString::fromLatin1(renamed);
        };
        // Texts that start a longer code: nothing completes them.
        row("cboUland: FR, Enter", "cboUland", "FR", 0, "Enter", "FR_FS_E_E626.bmp");
        row("cboGT: p, Tab", "cboGT", "p", 0, "Tab", "I_FS_P_E626.bmp");
        // Picks: the arrow keys in the field, or in the popup of the entries that match the text.
        row("cboUland: one Down picks the first", "cboUland", "", 1, "Tab", "A_FS_E_E626.bmp");
        row("cboGT: seven Downs pick the seventh", "cboGT", "", 7, "Enter", "I_FS_FC_E626.bmp");
        row("cboUland: f, two Downs pick FRG", "cboUland", "f", 2, "Tab", "FRG_FS_E_E626.bmp");
        // A click while the popup of the codes starting "FR" is open acts on its target at once.
        row("FR, then the type box's arrow: first entry picked", "cboUland", "FR", 0, "cboGT",
            "FR_FS_D_E626.bmp");
        row("FR, then Company clicked and typed into", "cboUland", "FR", 0, "txtCompany", "FR_DB_E_E626.bmp");
        row("FR, then Rename! clicked", "cboUland", "FR", 0, "cmdRD", "FR_FS_E_E626.bmp");
    }

    // The box is clicked into and typed in; then Tab to Rename! and Return or Space presses it, or
    // the mouse acts. Clicks are real presses and releases, through the window system's way in,
    // where a popup holds the mouse. The new name shows what each key and click did.
    void typedCodesStayAsTyped()
    {
        QFETCH(QString, combo);
        QFETCH(QString, typed);
        QFETCH(int, downs);
        QFETCH(QString, leave);
        QFETCH(QString, renamed);
        const auto click = [](QWidget* control, QPoint at) {
            QTest::mouseClick(control->window()->windowHandle(), Qt::LeftButton, {},
                              control->mapTo(control->window(), at));
        };
        w->get<QCheckBox>("chkM")->setChecked(true); // so that the pick leaves the boxes as they start
        QVERIFY(w->pick(u"old.bmp"_s));
        w->fill();
        auto* box = w->get<QComboBox>(qPrintable(combo));
        box->clearEditText();
        click(box, {8, box->height() / 2});
        QTest::keyClicks(QApplication::focusWidget(), typed);
        for (int i = 0; i < downs; ++i)
            press(Qt::Key_Down);
        if (leave == u"Enter" || leave == u"Tab") {
            if (leave == u"Enter")
                press(Qt::Key_Return);
            for (int i = 0; i < 14 && (i == 0 || focusedControl() != u"cmdRD"_s); ++i)
                press(Qt::Key_Tab);
            press(leave == u"Enter" ? Qt::Key_Return : Qt::Key_Space);
        } else {
            QAbstractItemView* popup = box->completer()->popup();
            // As any user does, wait until the popup is on screen: under X, it takes the keyboard then.
            QVERIFY(QTest::qWaitForWindowExposed(popup));
            QVERIFY(!popup->geometry().intersects({box->mapToGlobal(QPoint()), box->size()}));
            QVERIFY(QFontInfo(popup->font()).fixedPitch()); // the codes line up
            // The arrow, or the bottom left corner: the popup may cover the rest of a field below the box.
            auto* control = w->get(qPrintable(leave));
            click(control, leave == u"cboGT" ? QPoint(control->width() - 4, control->height() / 2)
                                             : QPoint(8, control->height() - 3));
            QVERIFY(!popup->isVisible());
            if (auto* gt = qobject_cast<QComboBox*>(control)) {
                QTest::qWait(QApplication::doubleClickInterval() + 50); // a release this soon only opens
                click(gt->view()->viewport(), gt->view()->visualRect(gt->model()->index(0, 0)).center());
            } else if (leave == u"txtCompany") {
                QApplication::focusWidget()->setProperty("text", QString());
                QTest::keyClicks(QApplication::focusWidget(), "DB");
            }
            if (leave != u"cmdRD")
                click(w->get("cmdRD"), {8, 8});
        }
        QVERIFY2(w->boxes.isEmpty(), qPrintable(w->boxes.value(0).prompt));
        QCOMPARE(snapshot(w->folder.path()), (Files{{renamed.toUtf8(), bitmapBytes()}}));
    }

    void listKeysPickWhereTheyLand_data()
    {
        QTest::addColumn<QList<int>>("keys");   // below 40: a press on that entry, released below the list
        QTest::addColumn<QList<int>>("landed"); // the entries each counted as a click; -1: end of page 1
        QTest::newRow("End with nothing current picks the last") << QList<int>{Qt::Key_End} << QList<int>{39};
        QTest::newRow("Up with nothing current picks the first") << QList<int>{Qt::Key_Up} << QList<int>{0};
        QTest::newRow("Page Down with nothing current ends the first page")
            << QList<int>{Qt::Key_PageDown} << QList<int>{-1};
        QTest::newRow("End, Home, Page Up: a key that does not move is no click")
            << QList<int>{Qt::Key_End, Qt::Key_Home, Qt::Key_PageUp} << QList<int>{39, 0};
        QTest::newRow("a press released below the list picks, twice once")
            << QList<int>{5, 5} << QList<int>{5};
    }

    void listKeysPickWhereTheyLand()
    {
        QFETCH(QList<int>, keys);
        QFETCH(QList<int>, landed);
        for (int i = 0; i < 40; ++i)
            QVERIFY(writeBitmap(w->file(u"E%1.bmp"_s.arg(i, 2, 10, QChar(u'0')))));
        w->refresh();
        auto* list = w->get<FileListBox>("File2");
        QList<int> clicks;
        connect(list, &FileListBox::click, list, [&] { clicks << list->listIndex(); });
        list->setFocus(Qt::TabFocusReason);
        for (int key : keys) {
            const QPoint entry = list->visualRect(list->model()->index(key, 0)).center();
            if (key < 40)
                QTest::mousePress(list->viewport(), Qt::LeftButton, {}, entry);
            key < 40 ? QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, entry + QPoint(0, 999))
                     : press(Qt::Key(key));
        }
        const int page = list->viewport()->height() / list->visualRect(list->model()->index(0, 0)).height();
        std::replace(landed.begin(), landed.end(), -1, page - 1); // the last entry of the first page
        QCOMPARE(clicks, landed);
        QCOMPARE(w->get<QLineEdit>("txtAcronym")->text(), u"E%1"_s.arg(landed.last(), 2, 10, QChar(u'0')));
    }

    // Each stop, from the start-up focus on, shows the focus and is announced by the name a screen
    // reader reads (an editable combo box's by its text field, which holds the keyboard focus).
    void tabMovesInDesignedOrder()
    {
        const QStringList designed =
            u"DIB drawing|Select Drive\\Folder containing the Drawings|Folders|Select Drawing (dib FileName)|"
            "ULAND (country)|GT (type)|Select Drawing (bmp FileName)|Bitmap drawing|Company|Rename!|Acronym|"
            "Suffix|maintain previous|DIB drawing"_s.split(u'|');
        QStringList visited, unseen; // unseen: controls that look the same with the focus and without it
        while (visited.size() < designed.size()) {
            QWidget* control = QApplication::focusWidget();
            QAccessibleInterface* heard = QAccessible::queryAccessibleInterface(control);
            if (heard->role() == QAccessible::ComboBox && heard->focusChild()) // an editable one's text field
                heard = heard->focusChild();
            visited << heard->text(QAccessible::Name);
            const QImage focused = control->grab().toImage();
            press(Qt::Key_Tab);
            if (control->grab().toImage() == focused)
                unseen << control->objectName();
        }
        QCOMPARE(visited, designed);
        QVERIFY2(unseen.isEmpty(), qPrintable(unseen.join(u' ')));
    }

    void screenReadersHearEveryControl_data()
    {
        // Role, name, value (a picture's description) and states.
        QTest::addColumn<QString>("heard");
        QTest::newRow("frmEdit picDib") << u"Graphic|DIB drawing|No drawing|focusable"_s;
        QTest::newRow("frmEdit picBmp") << u"Graphic|Bitmap drawing|V200.bmp|focusable"_s;
        QTest::newRow("frmEdit cboUland") << u"ComboBox|ULAND (country)|FRG - Germany|focusable editable"_s;
        QTest::newRow("frmEdit txtFile") << u"EditableText|New file name||disabled readOnly"_s;
        QTest::newRow("frmEdit Label6") << u"StaticText|country_company_gt_acronym(_suffix).bmp ||readOnly"_s;
        QTest::newRow("frmEdit menuFile") << u"PopupMenu|File||"_s;
        QTest::newRow("frmEdit menuX") << u"PopupMenu|Help||"_s;
        QTest::newRow("frmAbout imaRezerovuvi") << u"Graphic|Train||readOnly"_s;
    }

    void screenReadersHearEveryControl()
    {
        QVERIFY(w->pick(u"V200.bmp"_s));
        w->fill(u"FRG - Germany|DB|P|V200"_s);
        frmAbout about(w->frm.get());
        const QStringList tag = QString::fromLatin1(QTest::currentDataTag()).split(u' ');
        QWidget* top = tag[0] == u"frmAbout"_s ? static_cast<QWidget*>(&about) : w->frm.get();
        QObject* control = top->findChild<QObject*>(tag[1]);
        QVERIFY(control);
        QList<QAccessibleInterface*> tree{QAccessible::queryAccessibleInterface(top)};
        for (qsizetype i = 0; i < tree.size(); ++i)
            for (int child = 0; child < tree[i]->childCount(); ++child) {
                tree << tree[i]->child(child);
                QCOMPARE(tree[i]->indexOfChild(tree.last()), child); // where a reader finds it again
            }
        QVERIFY(std::any_of(tree.begin(), tree.end(), [&](auto* node) { return node->object() == control; }));
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(control);
        const QAccessible::Role role = iface->role();
        const QAccessible::State state = iface->state();
        const QString states = u"%1 %2 %3 %4"_s
                                   .arg(state.focusable ? "focusable" : "", state.editable ? "editable" : "",
                                        state.disabled ? "disabled" : "", state.readOnly ? "readOnly" : "")
                                   .simplified();
        QTEST(u"%1|%2|%3|%4"_s.arg(
                  QMetaEnum::fromType<QAccessible::Role>().valueToKey(role), iface->text(QAccessible::Name),
                  iface->text(role == QAccessible::Graphic ? QAccessible::Description : QAccessible::Value),
                  states),
              "heard");
    }

    void drawnAsDesignedAtEveryScale_data()
    {
        QTest::addColumn<QString>("factor");
        QTest::newRow("100 %") << u"1"_s;
        QTest::newRow("125 %") << u"1.25"_s;
        QTest::newRow("150 %") << u"1.5"_s;
    }

    // Scaling and fonts are fixed when an application starts, so each row runs in a child process,
    // with Liberation's fonts alone (references/fonts.conf): they draw the same text on every
    // machine, so both windows must look exactly as designed: places, sizes, colours, fonts, texts,
    // every line visible, and menus in a proportional face though the generic sans serif resolves
    // to Liberation Mono there. The drive list and the folder list's first row show the scratch
    // folder's random name.
    void drawnAsDesignedAtEveryScale()
    {
        QFETCH(QString, factor);
        if (!qEnvironmentVariableIsSet("VORLIN_TEST_CHILD")) {
            if (!QFileInfo::exists(u"/usr/share/fonts/truetype/liberation"_s))
                QSKIP("Liberation's fonts are not installed where Debian puts them");
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"VORLIN_TEST_CHILD"_s, u"1"_s);
            environment.insert(u"QT_SCALE_FACTOR"_s, factor);
            environment.insert(u"FONTCONFIG_FILE"_s, QStringLiteral(VORLIN_REFERENCES "/fonts.conf"));
            QProcess child;
            child.setProcessEnvironment(environment);
            child.setProcessChannelMode(QProcess::MergedChannels);
            child.start(QCoreApplication::applicationFilePath(),
                        {u"%1:%2"_s.arg(QTest::currentTestFunction(), QTest::currentDataTag())});
            QVERIFY(child.waitForFinished(120000));
            QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                     child.readAll().constData());
            return;
        }
        style::useProportionalApplicationFont(); // as main() does
        QCoreApplication::processEvents();       // the window takes the new font up from a posted event
        // A folder with subfolders open, a drawing of each kind listed, one picked.
        QVERIFY(QDir().mkpath(w->file(u"Drawings/Steam"_s)) &&
                QDir().mkpath(w->file(u"Drawings/Electric"_s)));
        QVERIFY(w->open(w->file(u"Drawings"_s)) && writeBitmap(w->file(u"Drawings/I_FS_E_E626.dib"_s)));
        QVERIFY(writeBitmap(w->file(u"Drawings/FRG_DB_V_V200_SAR.bmp"_s), Qt::blue));
        w->refresh();
        QVERIFY(clickNative(file2(), "FRG_DB_V_V200_SAR.bmp"));
        auto* drive = w->get("Drive1");
        auto* folders = w->get<DirListBox>("dirSourceBMP");
        const QRect root = folders->visualRect(folders->model()->index(0, 0));
        QVERIFY(looksAsReference(w->frm.get(), u"frmEdit-"_s + factor,
                                 {{drive->mapTo(w->frm.get(), QPoint(3, 3)), drive->size() - QSize(6, 6)},
                                  {folders->viewport()->mapTo(w->frm.get(), root.topLeft()), root.size()}}));
        QVERIFY(looksAsReference(new frmAbout(w->frm.get()), u"frmAbout-"_s + factor));
    }

    void composedNameRenamesThePickedFile_data()
    {
        QTest::addColumn<QString>("folder"); // empty: the drive root
        QTest::addColumn<QByteArray>("picked");
        QTest::addColumn<QString>("texts");
        QTest::addColumn<QStringList>("written"); // by another program, right before the press
        QTest::newRow("list entries, in a folder")
            << u"Drawings"_s << "old drawing.bmp"_ba << u"I   - Italy|fs|E  - Electrical Locomotive|E626"_s
            << QStringList();
        QTest::newRow("a DIB becomes a bitmap, in the drive root")
            << QString() << "old.dib"_ba << Conforming << QStringList();
        // Shown as "bad\uFFFD.bmp", which is also the name of a file written after the pick.
        QTest::newRow("a name not valid UTF-8 is renamed by its bytes")
            << u"Drawings"_s << "bad\xff.bmp"_ba << Conforming << QStringList{u"bad\uFFFD.bmp"_s};
        QStringList written{u"new.dib"_s};
        for (int i = 0; i < 30; ++i)
            written << u"a%1.bmp"_s.arg(i, 2, 10, QChar(u'0'));
        QTest::newRow("files written before the press are listed; the new name is scrolled to")
            << u"Drawings"_s << "old.dib"_ba << Conforming << written;
    }

    void composedNameRenamesThePickedFile()
    {
        QFETCH(QString, folder);
        QFETCH(QByteArray, picked);
        QFETCH(QStringList, written);
        const QString path = folder.isEmpty() ? w->folder.path() + u'/' : w->file(folder);
        QVERIFY(w->open(path));
        QVERIFY(w->pick(picked));
        QFETCH(QString, texts);
        w->fill(texts);
        Files files{{NewName.toUtf8(), bitmapBytes()}};
        for (const QString& name : written) {
            QVERIFY(writeNative(QFile::encodeName(QDir(path).filePath(name)), {}));
            files.insert(name.toUtf8(), {});
        }
        w->pressRename();
        QVERIFY2(w->boxes.isEmpty(), qPrintable(w->boxes.value(0).prompt));
        QCOMPARE(w->get<QLineEdit>("txtFile")->text(), NewName);
        QCOMPARE(snapshot(path), files);
        // The folder gains its trailing separator and keeps it; the picked name stays as it was.
        QCOMPARE(w->frm->strPath(), folder.isEmpty() ? path : path + u'/');
        QCOMPARE(w->frm->strFile(), QFile::decodeName(picked));
        QCOMPARE(entries(file2()), written.filter(u".bmp"_s) << NewName);
        QCOMPARE(entries(w->get<FileListBox>("File1")), written.filter(u".dib"_s));
        // The new name, last in its list, is in view and not selected.
        const QModelIndex renamed = file2()->model()->index(file2()->listCount() - 1, 0);
        QVERIFY(file2()->viewport()->rect().contains(file2()->visualRect(renamed)));
        QCOMPARE(file2()->listIndex(), -1);
    }

    void refusedActionChangesNothing_data()
    {
        QTest::addColumn<QString>("texts");
        QTest::addColumn<QString>("reported"); // the prompt, or texts the error report names, between bars
        QTest::addColumn<QString>("focused");  // for a field left empty
        // Done after good.dib and old.bmp were picked and the fields filled; no setup: nothing picked.
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QString>("clicked"); // the entry picked then, or empty: Rename! pressed
        const auto row = [](
                             const char* tag, const QString& texts, const QString& reported,
                             const QString& focused = {}, const Setup& setup = [](Window&) {},
                             const QString& clicked = {}) {
            QTest::newRow(tag) << texts << reported << focused << setup << clicked;
        };
        const QString acronym = Conforming.section(u'|', 0, 2) + u'|'; // all but the acronym
        row("all fields empty", {}, u"Select the ULAND (country)!"_s, u"cboUland"_s);
        row("company of blanks", u"I   - Italy|   "_s, u"Select the company!"_s, u"txtCompany"_s);
        row("type of blanks", u"I   - Italy|FS|  "_s, u"Select the GT (type)!"_s, u"cboGT"_s);
        row("acronym missing", acronym + u' ', u"Select the acronym!"_s, u"txtAcronym"_s);
        row("nothing picked", Conforming, u"Line up drive, folders and files!"_s, {}, Setup());
        row("a file of the new name exists", Conforming, u"\"I_FS_E_E626.bmp\"|already exists"_s, {},
            [](Window& w) { QVERIFY(writeBitmap(w.file(NewName), Qt::blue)); });
        row("a separator naming a subfolder", acronym + u"sub/E626"_s, u"/"_s, {},
            [](Window& w) { QVERIFY(QDir().mkdir(w.file(u"I_FS_E_sub"_s))); });
        row("a character Windows media refuse", acronym + u"E:626"_s, u":"_s);
        row("picked file deleted by someone else", Conforming, u"\"old.bmp\" does not exist"_s, {},
            [](Window& w) { QVERIFY(QFile::remove(w.file(u"old.bmp"_s))); });
        row("picked file replaced by a folder", Conforming, u"\"old.bmp\" is now a folder"_s, {},
            [](Window& w) {
                QVERIFY(QFile::remove(w.file(u"old.bmp"_s)) && QDir().mkdir(w.file(u"old.bmp"_s)));
            });
        row("open folder removed", Conforming, u"\"old.bmp\"|cannot be opened"_s, {}, [](Window& w) {
            QVERIFY(w.open(w.file(u"gone"_s)));
            QVERIFY(w.pick(u"old.bmp"_s));
            w.fill();
            QVERIFY(QDir(w.file(u"gone"_s)).removeRecursively());
        });
        // A drawing listed, then put in its place by another program before it is picked.
        const auto replaced = [&](const char* tag, const QString& name, const QString& why,
                                  const std::function<bool(const QString&)>& make) {
            row(
                tag, Conforming, u"Cannot show \"%1\": |%2"_s.arg(name, why), {},
                [=](Window& w) {
                    QVERIFY(writeBitmap(w.file(name), Qt::green));
                    w.refresh();
                    QVERIFY(QFile::remove(w.file(name)) && make(w.file(name)));
                },
                name);
        };
        for (const MalformedBitmap& bitmap : malformedBitmaps())
            replaced(bitmap.tag, bitmap.name, bitmap.why, [bytes = bitmap.bytes](const QString& path) {
                return writeNative(QFile::encodeName(path), bytes);
            });
        // A named pipe would block whoever opens it for reading until some writer comes.
        replaced("named pipe", u"x.bmp"_s, u"it is not an ordinary file"_s, [](const QString& path) {
            return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
        });
        replaced("folder", u"x.dib"_s, u"it is a folder"_s,
                 [](const QString& path) { return QDir().mkdir(path); });
        replaced("dangling link", u"x.bmp"_s, u"the file does not exist"_s,
                 [](const QString& path) { return QFile::link(path + u".gone"_s, path); });
    }

    // The report names the reason; the files, the lists, the pictures and the folder open stay as
    // they were. A pick that cannot be shown still reads the name, so a broken drawing can be renamed
    // too, and what is not a file is no longer listed after a refresh.
    void refusedActionChangesNothing()
    {
        QFETCH(Setup, setup);
        QFETCH(QString, reported);
        QFETCH(QString, clicked);
        QVERIFY(writeBitmap(w->file(u"bystander.bmp"_s), Qt::blue));
        QVERIFY(setup ? w->pick(u"good.dib"_s, Qt::blue) && w->pick(u"old.bmp"_s)
                      : writeBitmap(w->file(u"old.bmp"_s)));
        QFETCH(QString, texts);
        w->fill(texts);
        w->get<QLineEdit>("txtFile")->setText(u"earlier"_s);
        if (setup)
            setup(*w);
        if (QTest::currentTestFailed())
            return;
        const Files before = snapshot(w->folder.path());
        const QStringList listed = entries(file2());
        const QString path = w->frm->strPath();
        const QImage bmp = w->get<PictureBox>("picBmp")->picture(),
                     dib = w->get<PictureBox>("picDib")->picture();
        if (clicked.isEmpty())
            w->pressRename();
        else
            QVERIFY(clickNative(w->listFor(clicked), QFile::encodeName(clicked)));
        // One box: a warning shows its prompt, an error report (critical icon) names each text.
        const bool warning = reported.endsWith(u'!');
        QCOMPARE(w->boxes.size(), 1);
        QCOMPARE(w->boxes[0].style, warning ? 48 : 16);
        QCOMPARE(w->boxes[0].title, u"Vorlin"_s);
        for (const QString& text : reported.split(u'|'))
            QVERIFY2(warning ? w->boxes[0].prompt == text : w->boxes[0].prompt.contains(text),
                     qPrintable(w->boxes[0].prompt));
        QCOMPARE(snapshot(w->folder.path()), before);
        QCOMPARE(entries(file2()), listed);
        QCOMPARE(w->get<PictureBox>("picBmp")->picture(), bmp);
        QCOMPARE(w->get<PictureBox>("picDib")->picture(), dib);
        QVERIFY(w->frm->strPath() == path || w->frm->strPath() == path + u'/');
        QFETCH(QString, focused);
        QVERIFY2(focused.isEmpty() || focusedControl() == focused, qPrintable(focusedControl()));
        if (clicked.isEmpty()) {
            QCOMPARE(w->get<QLineEdit>("txtFile")->text().isEmpty(), warning);
            return;
        }
        QCOMPARE(w->get<QLineEdit>("txtAcronym")->text(), clicked.chopped(4));
        w->refresh();
        QCOMPARE(entries(w->listFor(clicked)).contains(clicked), QFileInfo(w->file(clicked)).isFile());
    }

    // A file of the same name in the folder open at the press stays untouched.
    void renameActsInTheFolderOfThePick()
    {
        QVERIFY(w->open(w->file(u"one"_s)));
        QVERIFY(w->pick(u"old.bmp"_s));
        QVERIFY(w->open(w->file(u"two"_s)) && writeBitmap(w->file(u"two/old.bmp"_s), Qt::blue));
        w->fill();
        w->pressRename();
        QVERIFY2(w->boxes.isEmpty(), qPrintable(w->boxes.value(0).prompt));
        QCOMPARE(snapshot(w->file(u"one"_s)), (Files{{NewName.toUtf8(), bitmapBytes()}}));
        QCOMPARE(snapshot(w->file(u"two"_s)), (Files{{"old.bmp", bitmapBytes(Qt::blue)}}));
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
