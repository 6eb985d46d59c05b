// The window without a mouse: codes typed and picked, the file lists' keys, Rename! and the menu's
// access keys, and what a screen reader hears of each control.
#include "../ui/UiTestSupport.h"
#include "names/CodeTables.h"
#include "ui/frmAbout.h"

#include <QAccessible>
#include <QApplication>
#include <QMenu>

using namespace vorlin;
using namespace vorlin::test;

namespace {

// Keys go where the user's keys go: to an open menu or popup, else to the widget with the focus
// (the offscreen platform may still name a popup that just closed as the window with the focus).
QWidget* keyTarget()
{
    return QApplication::activePopupWidget() ? nullptr : QApplication::focusWidget();
}

void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(keyTarget(), key, modifiers);
}

void type(const QString& text)
{
    QTest::keyClicks(keyTarget(), text);
}

} // namespace

class TestKeyboard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("Vorlin")); }

    void typedCodesStayAsTyped_data()
    {
        QTest::addColumn<QString>("combo");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("downs"); // arrow-key presses after typing
        // Enter and Tab leave the field and Return presses Rename!, or Tab, then Space.
        QTest::addColumn<bool>("enter");
        QTest::addColumn<QString>("code");
        // Every text that is the start of a longer code, in both letter cases: nothing completes it.
        for (const auto& [combo, table] :
             {std::pair("cboUland", &UlandTable()), std::pair("cboGT", &GtTable())}) {
            QStringList starts;
            for (const CodeEntry& entry : table->entries())
                for (int n = 1; n < entry.code.size(); ++n)
                    starts << entry.code.left(n);
            starts.removeDuplicates();
            for (const QString& start : starts) {
                QTest::addRow("%s: %s, Enter", combo, qPrintable(start))
                    << combo << start << 0 << true << start;
                QTest::addRow("%s: %s, Tab", combo, qPrintable(start.toLower()))
                    << combo << start.toLower() << 0 << false << start;
            }
        }
        // Picks: the arrow keys in the field, or in the popup of the entries that match the text.
        QTest::newRow("cboGT: seven Downs pick the seventh") << "cboGT" << QString() << 7 << true << "FC";
        QTest::newRow("cboUland: f, then Down twice pick FRG") << "cboUland"
                                                               << "f" << 2 << false << "FRG";
    }
    void typedCodesStayAsTyped()
    {
        QFETCH(QString, combo);
        QFETCH(QString, code);
        QFETCH(int, downs);
        Window w;
        QVERIFY(w.pick(QStringLiteral("old.bmp")));
        w.fill();
        auto* box = w.get<QComboBox>(qPrintable(combo));
        box->clearEditText();
        QVERIFY(QTest::qWaitForWindowActive(w.frm.get()));
        box->setFocus(Qt::TabFocusReason);
        QFETCH(QString, typed);
        type(typed);
        for (int i = 0; i < downs; ++i)
            press(Qt::Key_Down);
        QFETCH(bool, enter);
        if (enter)
            press(Qt::Key_Return);
        press(Qt::Key_Tab);
        for (int i = 0; i < 13 && focusedControl() != QLatin1String("cmdRD"); ++i)
            press(Qt::Key_Tab);
        press(enter ? Qt::Key_Return : Qt::Key_Space);
        const QString name = combo == QLatin1String("cboUland")
                                 ? code + QStringLiteral("_FS_E_E626.bmp")
                                 : QStringLiteral("I_FS_%1_E626.bmp").arg(code);
        QVERIFY2(w.boxes.isEmpty(), qPrintable(w.boxes.value(0).prompt));
        QCOMPARE(w.txtFile(), name);
        QCOMPARE(snapshot(w.folder.path()), (Files{{name.toUtf8(), bitmapBytes()}}));
    }

    void listKeysPickWhereTheyLand_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QList<int>>("landed"); // the entries each counted as a click, in turn
        const int page = -1;                    // the last entry of the first page
        QTest::newRow("End with nothing current picks the last") << QList<int>{Qt::Key_End} << QList<int>{39};
        QTest::newRow("Up with nothing current picks the first") << QList<int>{Qt::Key_Up} << QList<int>{0};
        QTest::newRow("Page Down with nothing current ends the first page")
            << QList<int>{Qt::Key_PageDown} << QList<int>{page};
        QTest::newRow("Down, Down, Up")
            << QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Up} << QList<int>{0, 1, 0};
        QTest::newRow("End, Home, Page Up: a key that does not move is no click")
            << QList<int>{Qt::Key_End, Qt::Key_Home, Qt::Key_PageUp} << QList<int>{39, 0};
        QTest::newRow("Page Down, then End twice")
            << QList<int>{Qt::Key_PageDown, Qt::Key_End, Qt::Key_End} << QList<int>{page, 39};
    }
    void listKeysPickWhereTheyLand()
    {
        QFETCH(QList<int>, keys);
        QFETCH(QList<int>, landed);
        const int page = -1;
        Window w;
        for (int i = 0; i < 40; ++i)
            QVERIFY(writeBitmap(w.file(QStringLiteral("E%1.bmp").arg(i, 2, 10, QLatin1Char('0')))));
        w.refresh();
        auto* list = w.get<FileListBox>("File2");
        QList<int> clicks;
        QObject::connect(list, &FileListBox::click, list, [&] { clicks << list->listIndex(); });
        QVERIFY(QTest::qWaitForWindowActive(w.frm.get()));
        list->setFocus(Qt::TabFocusReason);
        for (int key : keys)
            press(Qt::Key(key));
        // A page is as many entries as the list shows whole.
        const int perPage =
            list->viewport()->height() / list->visualRect(list->model()->index(0, 0)).height();
        for (int& row : landed)
            row = row == page ? perPage - 1 : row;
        QCOMPARE(clicks, landed);
        QCOMPARE(w.get<QLineEdit>("txtAcronym")->text(),
                 QStringLiteral("E%1").arg(landed.last(), 2, 10, QLatin1Char('0')));
    }

    void screenReadersHearEveryControl_data()
    {
        // NoRole: decoration, which is not in the accessibility tree at all.
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value"); // the description of a picture; null: not looked at
        QTest::addColumn<QString>("states");
        const auto row = [](const char* window, const char* control, QAccessible::Role role,
                            const QString& name, const QString& value = {},
                            const char* states = "focusable") {
            QTest::addRow("%s %s", window, control)
                << int(role) << name << value << QString::fromLatin1(states);
        };
        const QString none;
        row("frmEdit", "picDib", QAccessible::Graphic, "DIB drawing", "No drawing");
        row("frmEdit", "Drive1", QAccessible::ComboBox, "Select Drive\\Folder containing the Drawings");
        row("frmEdit", "cboUland", QAccessible::ComboBox, "ULAND (country)", "FRG - Germany",
            "focusable editable");
        row("frmEdit", "picBmp", QAccessible::Graphic, "Bitmap drawing", "V200.bmp");
        row("frmEdit", "txtCompany", QAccessible::EditableText, "Company", "DB", "focusable editable");
        row("frmEdit", "chkM", QAccessible::CheckBox, "maintain previous");
        row("frmEdit", "txtFile", QAccessible::EditableText, "New file name", "", "disabled readOnly");
        row("frmEdit", "Label6", QAccessible::StaticText, "country_company_gt_acronym(_suffix).bmp ", none,
            "readOnly");
        row("frmEdit", "menuX", QAccessible::PopupMenu, "Help", none, "");
        row("frmEdit", "Line1", QAccessible::NoRole, none);
        row("frmAbout", "lblDescription", QAccessible::StaticText,
            "RENAME DRAWINGS: modify filenames according to the 'naming convention'", none, "readOnly");
        row("frmAbout", "imaRezerovuvi", QAccessible::Graphic, "Train", none, "readOnly");
        row("frmAbout", "Image1", QAccessible::Graphic, "Drawing sheet and pencil", none, "readOnly");
        for (const char* decoration : {"Shape1", "Line1", "Line2", "Line3", "Line4"})
            row("frmAbout", decoration, QAccessible::NoRole, none);
    }
    void screenReadersHearEveryControl()
    {
        QFETCH(int, role);
        Window w;
        QVERIFY(w.pick(QStringLiteral("V200.bmp")));
        w.fill({"FRG - Germany", "DB", "P", "V200", "SAR"});
        frmAbout about(w.frm.get());
        const QStringList tag = QString::fromLatin1(QTest::currentDataTag()).split(u' ');
        QWidget* top = tag[0] == QLatin1String("frmAbout") ? static_cast<QWidget*>(&about) : w.frm.get();
        const QString control = tag[1];
        const QList<QObject*> objects = top->findChildren<QObject*>(control);
        QVERIFY(!objects.isEmpty());

        // Everything a screen reader can reach from the window.
        QSet<QObject*> tree;
        QList<QAccessibleInterface*> pending{QAccessible::queryAccessibleInterface(top)};
        while (!pending.isEmpty()) {
            QAccessibleInterface* node = pending.takeLast();
            tree << node->object();
            for (int i = 0; i < node->childCount(); ++i)
                if (QAccessibleInterface* child = node->child(i))
                    pending << child;
        }
        for (QObject* object : objects)
            QCOMPARE(tree.contains(object), role != QAccessible::NoRole);
        if (role == QAccessible::NoRole)
            return;

        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(objects.first());
        QCOMPARE(int(iface->role()), role);
        QTEST(iface->text(QAccessible::Name), "name");
        QFETCH(QString, value);
        if (!value.isNull())
            QCOMPARE(
                iface->text(role == QAccessible::Graphic ? QAccessible::Description : QAccessible::Value),
                value);
        const QAccessible::State state = iface->state();
        QStringList states;
        for (const auto& [set, label] :
             {std::pair(state.focusable, "focusable"), std::pair(state.editable, "editable"),
              std::pair(state.disabled, "disabled"), std::pair(state.readOnly, "readOnly")})
            if (set)
                states << QString::fromLatin1(label);
        QTEST(states.join(u' '), "states");
        // The text field of an editable combo box is named by the same caption.
        if (QAccessibleInterface* field = role == QAccessible::ComboBox ? iface->focusChild() : nullptr)
            QCOMPARE(field->text(QAccessible::Name), iface->text(QAccessible::Name));
    }

    void exitByAccessKeys_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("Cancel keeps the window") << int(MessageBox::Cancel);
        QTest::newRow("OK ends the program") << int(MessageBox::Ok);
    }
    void exitByAccessKeys()
    {
        QFETCH(int, answer);
        Window w;
        QVERIFY(QTest::qWaitForWindowActive(w.frm.get()));
        w.answers.push_back(answer);

        press(Qt::Key_F, Qt::AltModifier);
        QCOMPARE(QApplication::activePopupWidget(), w.frm->findChild<QMenu*>(QStringLiteral("menuFile")));
        press(Qt::Key_E);

        QCOMPARE(w.boxes.size(), 1);
        QCOMPARE(w.boxes[0].prompt, QStringLiteral("This will end the program's session"));
        QCOMPARE(w.boxes[0].style, 49);
        QVERIFY(!QApplication::activePopupWidget());
        QCOMPARE(w.frm->isVisible(), answer == MessageBox::Cancel);
    }
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
