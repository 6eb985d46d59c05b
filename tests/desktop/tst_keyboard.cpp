// The windows without a mouse: a whole rename from the keyboard alone, the menus' access keys, and
// the names a screen reader announces for each control.
#include "../ui/UiTestSupport.h"
#include "platform/FileListBox.h"
#include "platform/PictureBox.h"
#include "ui/frmAbout.h"
#include "ui/frmEdit.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace vorlin;
using namespace vorlin::test;

namespace {

// Keys go where the user's keys go: to an open menu, else to the widget with the focus.
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(static_cast<QWidget*>(nullptr), key, modifiers);
}

void type(const QString& text)
{
    QTest::keyClicks(static_cast<QWidget*>(nullptr), text);
}

// The window's control that holds the focus; an editable combo box hands its focus to its line
// edit, so name the control, not the widget inside it.
QString focusedControl()
{
    QWidget* widget = QApplication::focusWidget();
    while (widget && widget->property("TabIndex").isNull() && !widget->isWindow())
        widget = widget->parentWidget();
    return widget ? widget->objectName() : QString();
}

QString accessibleName(QWidget* widget)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->text(QAccessible::Name) : QString();
}

// The caption a screen reader reads out with a control: the label that names it as its buddy.
QString labelledBy(QWidget* widget)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    if (!iface)
        return QString();
    const auto labels = iface->relations(QAccessible::Label);
    return labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name);
}

} // namespace

class TestKeyboard : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void renameFromTheKeyboardAlone_data();
    void renameFromTheKeyboardAlone();
    void controlsAnnounceTheirNames_data();
    void controlsAnnounceTheirNames();
    void aboutButtonAnnouncesItsName();
    void exitByAccessKeys_data();
    void exitByAccessKeys();
    void aboutByAccessKeysClosesWithEnter();

private:
    // Presses Tab (or Shift+Tab) once and checks that the focus lands on the control called name.
    bool tabTo(const char* name, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    bool startWindow();

    std::unique_ptr<ScratchFolder> m_folder;
    std::unique_ptr<BoxRecorder> m_boxes;
    std::unique_ptr<frmEdit> m_window;
};

void TestKeyboard::init()
{
    m_folder = std::make_unique<ScratchFolder>();
    QVERIFY(
        QImage(QSize(64, 24), QImage::Format_RGB32).save(m_folder->file(QStringLiteral("Re460.bmp")), "BMP"));
    m_boxes = std::make_unique<BoxRecorder>();
}

void TestKeyboard::cleanup()
{
    m_window.reset();
    m_boxes.reset();
    m_folder.reset();
}

bool TestKeyboard::startWindow()
{
    m_window = std::make_unique<frmEdit>();
    m_window->show();
    return QTest::qWaitForWindowActive(m_window.get());
}

bool TestKeyboard::tabTo(const char* name, Qt::KeyboardModifiers modifiers)
{
    press(Qt::Key_Tab, modifiers);
    if (focusedControl() == QLatin1String(name))
        return true;
    qWarning("Tab went to %s instead of %s", qPrintable(focusedControl()), name);
    return false;
}

void TestKeyboard::renameFromTheKeyboardAlone_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");

    QTest::newRow("Space presses the focused Rename!") << Qt::Key_Space << Qt::KeyboardModifiers();
    QTest::newRow("Return presses the focused Rename!") << Qt::Key_Return << Qt::KeyboardModifiers();
    QTest::newRow("keypad Enter presses the focused Rename!")
        << Qt::Key_Enter << Qt::KeyboardModifiers(Qt::KeypadModifier);
}

void TestKeyboard::renameFromTheKeyboardAlone()
{
    QFETCH(Qt::Key, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);

    const QByteArray drawing = contentOf(m_folder->file(QStringLiteral("Re460.bmp")));
    QVERIFY(startWindow());
    QCOMPARE(focusedControl(), QStringLiteral("picDib"));

    // Down to the bitmap list; the first Down picks the drawing and reads its name.
    for (const char* name : {"Drive1", "dirSourceBMP", "File1", "cboUland", "cboGT", "File2"})
        QVERIFY(tabTo(name));
    press(Qt::Key_Down);
    auto* txtAcronym = control<QLineEdit>(m_window.get(), "txtAcronym");
    QCOMPARE(txtAcronym->text(), QStringLiteral("Re460"));
    QVERIFY(!control<PictureBox>(m_window.get(), "picBmp")->picture().isNull());

    // Back to the codes: the country typed, the type chosen with the arrow keys.
    QVERIFY(tabTo("cboGT", Qt::ShiftModifier));
    QVERIFY(tabTo("cboUland", Qt::ShiftModifier));
    type(QStringLiteral("CH"));
    QVERIFY(tabTo("cboGT"));
    for (int i = 0; i < 3; ++i)
        press(Qt::Key_Down);
    QCOMPARE(control<QComboBox>(m_window.get(), "cboGT")->currentIndex(), 2);

    for (const char* name : {"File2", "picBmp", "txtCompany"})
        QVERIFY(tabTo(name));
    type(QStringLiteral("sbb"));
    QVERIFY(tabTo("cmdRD"));
    press(key, modifiers);

    QVERIFY2(m_boxes->boxes.isEmpty(), qPrintable(m_boxes->boxes.value(0).prompt));
    QCOMPARE(control<QLineEdit>(m_window.get(), "txtFile")->text(), QStringLiteral("CH_SBB_E_Re460.bmp"));
    QVERIFY(!QFile::exists(m_folder->file(QStringLiteral("Re460.bmp"))));
    QCOMPARE(contentOf(m_folder->file(QStringLiteral("CH_SBB_E_Re460.bmp"))), drawing);
    QCOMPARE(entries(control<FileListBox>(m_window.get(), "File2")), QStringList{"CH_SBB_E_Re460.bmp"});
}

void TestKeyboard::controlsAnnounceTheirNames_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");

    // The caption is the label linked to the control, which Linux screen readers read out with it.
    // A list view carries its caption as its own name instead.
    struct Row
    {
        const char* control;
        const char* name;
        const char* caption;
    };
    const Row rows[] = {
        {"picDib", "DIB drawing", ""},
        {"Drive1", "Select Drive\\Folder containing the Drawings",
         "Select Drive\\Folder containing the Drawings:"},
        {"dirSourceBMP", "Folders", ""},
        {"File1", "Select Drawing (dib FileName)", ""},
        {"cboUland", "ULAND (country)", "ULAND (country):"},
        {"cboGT", "GT (type)", "GT (type):"},
        {"File2", "Select Drawing (bmp FileName)", ""},
        {"picBmp", "Bitmap drawing", ""},
        {"txtCompany", "Company", "Company:"},
        {"cmdRD", "Rename!", ""},
        {"txtAcronym", "Acronym", "Acronym:"},
        {"txtSuffix", "Suffix", "Suffix:"},
        {"chkM", "maintain previous", "maintain previous"},
        {"txtFile", "New file name", ""},
    };
    for (const Row& row : rows)
        QTest::newRow(row.control) << QString::fromLatin1(row.control) << QString::fromLatin1(row.name)
                                   << QString::fromLatin1(row.caption);
}

void TestKeyboard::controlsAnnounceTheirNames()
{
    QFETCH(QString, control);
    QFETCH(QString, name);
    QFETCH(QString, caption);

    m_window = std::make_unique<frmEdit>();
    auto* widget = m_window->findChild<QWidget*>(control);
    QVERIFY(widget);
    // On Linux Qt reports a combo box's value as its accessible name and leaves its caption to the
    // label linked to it; every other control is announced by its accessible name.
    if (qobject_cast<QComboBox*>(widget))
        QCOMPARE(widget->accessibleName(), name);
    else
        QCOMPARE(accessibleName(widget), name);
    if (!caption.isEmpty())
        QCOMPARE(labelledBy(widget), caption);
}

void TestKeyboard::aboutButtonAnnouncesItsName()
{
    frmAbout about;
    auto* cmdOK = control<QPushButton>(&about, "cmdOK");
    QCOMPARE(accessibleName(cmdOK), QStringLiteral("OK"));
    about.show();
    QVERIFY(QTest::qWaitForWindowActive(&about));
    QCOMPARE(QApplication::focusWidget(), cmdOK);
}

void TestKeyboard::exitByAccessKeys_data()
{
    QTest::addColumn<QString>("focusOn");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("staysOpen");

    QTest::newRow("Cancel keeps the window") << QStringLiteral("picDib") << int(MessageBox::Cancel) << true;
    QTest::newRow("OK ends the program") << QStringLiteral("picDib") << int(MessageBox::Ok) << false;
    QTest::newRow("Alt+F works from a text box too")
        << QStringLiteral("txtCompany") << int(MessageBox::Cancel) << true;
}

void TestKeyboard::exitByAccessKeys()
{
    QFETCH(QString, focusOn);
    QFETCH(int, answer);
    QFETCH(bool, staysOpen);

    QVERIFY(startWindow());
    m_window->findChild<QWidget*>(focusOn)->setFocus();
    m_boxes->answers.push_back(answer);

    press(Qt::Key_F, Qt::AltModifier);
    auto* menuFile = m_window->findChild<QMenu*>(QStringLiteral("menuFile"));
    QCOMPARE(QApplication::activePopupWidget(), menuFile);
    press(Qt::Key_E);

    QCOMPARE(m_boxes->boxes.size(), 1);
    QCOMPARE(m_boxes->boxes[0].prompt, QStringLiteral("This will end the program's session"));
    QCOMPARE(m_boxes->boxes[0].style, 49);
    QVERIFY(!QApplication::activePopupWidget());
    QCOMPARE(m_window->isVisible(), staysOpen);
}

void TestKeyboard::aboutByAccessKeysClosesWithEnter()
{
    QVERIFY(startWindow());

    // The About window is modal: it is looked at and closed from inside its own event loop. Should
    // Return not close it, the next tick closes it anyway, so the test never hangs.
    QString shown;
    bool returnClosedIt = true;
    QTimer closer;
    closer.setInterval(20);
    connect(&closer, &QTimer::timeout, this, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (shown.isEmpty()) {
            shown = modal->objectName() + QLatin1Char('/') + QApplication::focusWidget()->objectName();
            press(Qt::Key_Return);
        } else {
            returnClosedIt = false;
            modal->close();
        }
    });
    closer.start();
    // "?" has no access key of its own: Alt+F opens the menu bar, Right moves to "?", A is About.
    press(Qt::Key_F, Qt::AltModifier);
    press(Qt::Key_Right);
    QCOMPARE(QApplication::activePopupWidget(), m_window->findChild<QMenu*>(QStringLiteral("menuX")));
    press(Qt::Key_A);

    closer.stop();
    QCOMPARE(shown, QStringLiteral("frmAbout/cmdOK"));
    QVERIFY(returnClosedIt);
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(m_window->isVisible());
    QVERIFY(m_boxes->boxes.isEmpty());
}

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
