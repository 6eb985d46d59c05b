// The About window: its title, the sliding picture's arithmetic and pixel position, a fresh start on
// every opening, and the ways to close it.

#include "ui/frmAbout.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <functional>

using vorlin::frmAbout;
using vorlin::UnitImage;

using Action = std::function<void(frmAbout&)>;
Q_DECLARE_METATYPE(Action)

namespace {

UnitImage* picture(frmAbout& dlg)
{
    return dlg.findChild<UnitImage*>(QStringLiteral("imaRezerovuvi"));
}

QTimer* timer(frmAbout& dlg)
{
    return dlg.findChild<QTimer*>(QStringLiteral("Timer1"));
}

QPushButton* okButton(frmAbout& dlg)
{
    return dlg.findChild<QPushButton*>(QStringLiteral("cmdOK"));
}

// Pixel columns of the picture inside the client area.
int visibleColumns(frmAbout& dlg)
{
    return dlg.rect().intersected(picture(dlg)->geometry()).width();
}

void tick(frmAbout& dlg, int times)
{
    for (int i = 0; i < times; ++i)
        dlg.Timer1_Timer();
}

// Tolerance for positions given to one decimal.
bool near(float actual, double expected)
{
    return std::fabs(double(actual) - expected) < 0.05;
}

} // namespace

class TestFrmAbout : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void title_data();
    void title();
    void controlsAndPictures();
    void focusIsOnOk();

    void ticks_data();
    void ticks();
    void pixelPosition_data();
    void pixelPosition();
    void everyOpeningStartsFromTheDesignedPosition();

    void closing_data();
    void closing();
};

void TestFrmAbout::init()
{
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Vorlin"));
}

void TestFrmAbout::cleanup()
{
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void TestFrmAbout::title_data()
{
    QTest::addColumn<QString>("application");
    QTest::addColumn<QString>("caption");
    QTest::newRow("the application's own title") << "Vorlin"
                                                 << "About Vorlin";
    QTest::newRow("whatever title the application carries") << "Drawing Tool"
                                                            << "About Drawing Tool";
}

void TestFrmAbout::title()
{
    QFETCH(QString, application);
    QFETCH(QString, caption);
    QGuiApplication::setApplicationDisplayName(application);
    frmAbout dlg;
    QCOMPARE(dlg.windowTitle(), caption);
    QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("lblTitle"))->text(), application);
}

void TestFrmAbout::controlsAndPictures()
{
    frmAbout dlg;
    for (const char* name : {"lblTitle", "Line2", "Shape1", "imaRezerovuvi", "Line3", "Line4",
                             "lblDescription", "Image1", "lblDisclaimer", "cmdOK", "Timer1"})
        QVERIFY2(dlg.findChildren<QObject*>(QLatin1String(name)).size() == 1, name);
    const QList<QWidget*> line1 = dlg.findChildren<QWidget*>(QStringLiteral("Line1"));
    QCOMPARE(line1.size(), 2);
    QCOMPARE(line1[0]->property("index").toInt() + line1[1]->property("index").toInt(), 1);

    // The pictures come from the library's resources; a static library drops them unless loaded.
    QCOMPARE(picture(dlg)->pixmap().size(), QSize(669, 58));
    QCOMPARE(picture(dlg)->size(), QSize(669, 58));
    QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().size(), QSize(54, 53));
    QVERIFY(dlg.windowIcon().availableSizes().contains(QSize(32, 32)));

    // The black strip lies behind the picture.
    const QObjectList stack = dlg.children();
    QVERIFY(stack.indexOf(dlg.findChild<QWidget*>(QStringLiteral("Shape1"))) < stack.indexOf(picture(dlg)));

    // A fixed dialog frame: 5730 by 3555 twips, no minimise or maximise button, a close button.
    QCOMPARE(dlg.minimumSize(), QSize(382, 237));
    QCOMPARE(dlg.maximumSize(), QSize(382, 237));
    QVERIFY(!(dlg.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(dlg.windowFlags() & Qt::WindowCloseButtonHint);
}

void TestFrmAbout::focusIsOnOk()
{
    frmAbout dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QCOMPARE(QApplication::focusWidget(), okButton(dlg));
    QVERIFY(okButton(dlg)->isDefault());

    QList<QWidget*> focusable;
    for (QWidget* child : dlg.findChildren<QWidget*>())
        if (child->focusPolicy() != Qt::NoFocus)
            focusable.append(child);
    QCOMPARE(focusable, QList<QWidget*>{okButton(dlg)});
}

void TestFrmAbout::ticks_data()
{
    QTest::addColumn<float>("start");
    QTest::addColumn<int>("count");
    QTest::addColumn<float>("end");

    const float justBelow5960 = std::nextafter(5960.0f, 0.0f);
    QTest::newRow("a tick reaching exactly 6000 jumps back in the same tick") << 5960.0f << 1 << -10000.0f;
    QTest::newRow("a tick passing 6000 jumps back") << 5999.5f << 1 << -10000.0f;
    QTest::newRow("a tick ending the least amount below 6000 does not jump")
        << justBelow5960 << 1 << std::nextafter(6000.0f, 0.0f);
    QTest::newRow("399 ticks from -10000 end at 5960") << -10000.0f << 399 << 5960.0f;
    QTest::newRow("the 400th tick from -10000 reaches 6000 and jumps") << -10000.0f << 400 << -10000.0f;
    QTest::newRow("the slide repeats every 400 ticks") << -10000.0f << 1203 << -9880.0f;
}

void TestFrmAbout::ticks()
{
    QFETCH(float, start);
    QFETCH(int, count);
    QFETCH(float, end);
    frmAbout dlg;
    timer(dlg)->stop();
    picture(dlg)->setLeft(start);
    tick(dlg, count);
    // Exact: every value on the way is a whole number or one representable step away from one.
    QVERIFY2(picture(dlg)->left() == end, qPrintable(QString::number(picture(dlg)->left(), 'f', 4)));
}

void TestFrmAbout::pixelPosition_data()
{
    QTest::addColumn<float>("start");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("visible");

    QTest::newRow("14 ticks after the jump the picture is still wholly outside") << -10000.0f << 14 << 0;
    QTest::newRow("on the 15th tick after the jump its right end enters") << -10000.0f << 15 << 2;
    QTest::newRow("left edge at the middle of the window") << 2690.383f << 0 << 191;
    QTest::newRow("left edge at the right edge of the client area") << 5380.766f << 0 << 0;
}

void TestFrmAbout::pixelPosition()
{
    QFETCH(float, start);
    QFETCH(int, count);
    QFETCH(int, visible);
    frmAbout dlg;
    timer(dlg)->stop();
    picture(dlg)->setLeft(start);
    tick(dlg, count);
    QCOMPARE(visibleColumns(dlg), visible);
}

void TestFrmAbout::everyOpeningStartsFromTheDesignedPosition()
{
    for (int opening = 1; opening <= 2; ++opening) {
        frmAbout dlg;
        timer(dlg)->stop();
        // -9645 twips: only the rightmost 390 twips (26 pixels) of the picture are inside.
        QVERIFY2(near(picture(dlg)->left(), -9057.2), qPrintable(QString::number(picture(dlg)->left())));
        QCOMPARE(visibleColumns(dlg), 26);
        QCOMPARE(picture(dlg)->y(), 45);

        dlg.Timer1_Timer();
        QVERIFY2(near(picture(dlg)->left(), -9017.2), qPrintable(QString::number(picture(dlg)->left())));
        QCOMPARE(visibleColumns(dlg), 29);

        // Leave this opening somewhere else entirely; the next one must not inherit it.
        tick(dlg, 300);
        dlg.cmdOK_Click();
    }
}

void TestFrmAbout::closing_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<int>("result");

    const auto key = [](Qt::Key k) {
        return Action([k](frmAbout&) { QTest::keyClick(QApplication::focusWidget(), k); });
    };
    QTest::newRow("Enter presses OK") << key(Qt::Key_Return) << int(QDialog::Accepted);
    QTest::newRow("keypad Enter presses OK") << key(Qt::Key_Enter) << int(QDialog::Accepted);
    QTest::newRow("Escape presses OK, the cancel button") << key(Qt::Key_Escape) << int(QDialog::Accepted);
    QTest::newRow("a click on OK") << Action([](frmAbout& dlg) {
        QTest::mouseClick(okButton(dlg), Qt::LeftButton);
    }) << int(QDialog::Accepted);
    QTest::newRow("the frame's close button just closes")
        << Action([](frmAbout& dlg) { dlg.close(); }) << int(QDialog::Rejected);
}

void TestFrmAbout::closing()
{
    QFETCH(Action, action);
    QFETCH(int, result);
    frmAbout dlg;
    QTimer::singleShot(0, &dlg, [&dlg, action] {
        if (QTest::qWaitForWindowActive(&dlg))
            action(dlg);
    });
    // Should the action fail to close the window, end the modal loop with a result no path gives.
    QTimer::singleShot(10000, &dlg, [&dlg] { dlg.done(-1); });

    QCOMPARE(dlg.exec(), result);
    QVERIFY(!dlg.isVisible());
    QVERIFY(!timer(dlg)->isActive());
}

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
