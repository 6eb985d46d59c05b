// The About window: its title and pictures, the sliding picture's arithmetic and pixel position, a
// fresh start on every opening, and the ways to close it.
#include "ui/frmAbout.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <functional>

using vorlin::frmAbout;
using vorlin::UnitImage;
using namespace Qt::StringLiterals;

using Action = std::function<void(frmAbout&)>;
Q_DECLARE_METATYPE(Action)

namespace {

UnitImage* picture(frmAbout& dlg)
{
    return dlg.findChild<UnitImage*>(u"imaRezerovuvi"_s);
}

QPushButton* okButton(frmAbout& dlg)
{
    return dlg.findChild<QPushButton*>(u"cmdOK"_s);
}

// The window with its timer stopped, so that only the test ticks it.
void stopTimer(frmAbout& dlg)
{
    dlg.findChild<QTimer*>(u"Timer1"_s)->stop();
}

// Pixel columns of the picture inside the client area.
int visibleColumns(frmAbout& dlg)
{
    return dlg.rect().intersected(picture(dlg)->geometry()).width();
}

} // namespace

class TestFrmAbout : public QObject
{
    Q_OBJECT

private slots:
    void init() { QGuiApplication::setApplicationDisplayName(u"Vorlin"_s); }
    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    void titleControlsAndPictures()
    {
        QGuiApplication::setApplicationDisplayName(u"Drawing Tool"_s);
        frmAbout dlg;
        QCOMPARE(dlg.windowTitle(), u"About Drawing Tool"_s);
        QCOMPARE(dlg.findChild<QLabel*>(u"lblTitle"_s)->text(), u"Drawing Tool"_s);
        // The pictures come from the library's resources; a static library drops them unless loaded.
        QCOMPARE(picture(dlg)->pixmap().size(), QSize(669, 58));
        QCOMPARE(picture(dlg)->size(), QSize(669, 58));
        QCOMPARE(dlg.findChild<QLabel*>(u"Image1"_s)->pixmap().size(), QSize(54, 53));
        QVERIFY(dlg.windowIcon().availableSizes().contains(QSize(32, 32)));
        // The black strip shows beside the picture; the band's top line lies over both.
        const QImage band = dlg.grab().toImage();
        QCOMPARE(band.pixelColor(100, 70), QColor(Qt::black));
        for (int x : {10, 100})
            QCOMPARE(band.pixelColor(x, 45), QColor(128, 128, 128));
        // A fixed dialog frame: 5730 by 3555 twips, no minimise or maximise button, a close button.
        QCOMPARE(dlg.minimumSize(), QSize(382, 237));
        QCOMPARE(dlg.maximumSize(), QSize(382, 237));
        QVERIFY(!(dlg.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(dlg.windowFlags() & Qt::WindowCloseButtonHint);
    }

    void focusStartsOnTheDefaultOk()
    {
        frmAbout dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QCOMPARE(QApplication::focusWidget(), okButton(dlg));
        QVERIFY(okButton(dlg)->isDefault());
    }

    void ticks_data()
    {
        QTest::addColumn<float>("start");
        QTest::addColumn<int>("count");
        QTest::addColumn<float>("end");
        QTest::addColumn<int>("visible"); // pixel columns of the picture inside the window
        const auto row = [](const char* tag, float start, int count, float end, int visible) {
            QTest::newRow(tag) << start << count << end << visible;
        };
        const float below6000 = std::nextafter(6000.0f, 0.0f);
        row("a tick reaching exactly 6000 jumps back in the same tick", 5960.0f, 1, -10000.0f, 0);
        row("a tick passing 6000 jumps back", 5999.5f, 1, -10000.0f, 0);
        row("a tick ending the least amount below 6000 does not jump", std::nextafter(5960.0f, 0.0f), 1,
            below6000, 0);
        row("the 400th tick from -10000 reaches 6000 and jumps", -10000.0f, 400, -10000.0f, 0);
        row("on the 15th tick after the jump its right end enters", -10000.0f, 15, -9400.0f, 2);
    }

    void ticks()
    {
        QFETCH(float, start);
        QFETCH(int, count);
        QFETCH(float, end);
        frmAbout dlg;
        stopTimer(dlg);
        picture(dlg)->setLeft(start);
        for (int i = 0; i < count; ++i)
            dlg.Timer1_Timer();
        // Exact: every value on the way is a whole number or one representable step away from one.
        QVERIFY2(picture(dlg)->left() == end, qPrintable(QString::number(picture(dlg)->left(), 'f', 4)));
        QTEST(visibleColumns(dlg), "visible");
    }

    void everyOpeningStartsFromTheDesignedPosition()
    {
        const auto near = [](float actual, double expected) {
            return std::fabs(double(actual) - expected) < 0.05;
        };
        for (int opening = 1; opening <= 2; ++opening) {
            frmAbout dlg;
            stopTimer(dlg);
            // -9645 twips: only the rightmost 390 twips (26 pixels) of the picture are inside.
            QVERIFY2(near(picture(dlg)->left(), -9057.2), qPrintable(QString::number(picture(dlg)->left())));
            QCOMPARE(visibleColumns(dlg), 26);
            QCOMPARE(picture(dlg)->y(), 45);
            dlg.Timer1_Timer();
            QVERIFY2(near(picture(dlg)->left(), -9017.2), qPrintable(QString::number(picture(dlg)->left())));
            QCOMPARE(visibleColumns(dlg), 29);
            // Leave this opening somewhere else entirely; the next one must not inherit it.
            for (int i = 0; i < 300; ++i)
                dlg.Timer1_Timer();
            dlg.cmdOK_Click();
        }
    }

    void closing_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<int>("result");
        const auto key = [](Qt::Key k) {
            return Action([k](frmAbout&) { QTest::keyClick(QApplication::focusWidget(), k); });
        };
        QTest::newRow("Enter presses OK") << key(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::newRow("keypad Enter presses OK") << key(Qt::Key_Enter) << int(QDialog::Accepted);
        QTest::newRow("Escape presses OK, the cancel button")
            << key(Qt::Key_Escape) << int(QDialog::Accepted);
        QTest::newRow("a click on OK")
            << Action([](frmAbout& dlg) { QTest::mouseClick(okButton(dlg), Qt::LeftButton); })
            << int(QDialog::Accepted);
        QTest::newRow("the frame's close button just closes")
            << Action([](frmAbout& dlg) { dlg.close(); }) << int(QDialog::Rejected);
    }

    void closing()
    {
        QFETCH(Action, action);
        frmAbout dlg;
        QTimer::singleShot(0, &dlg, [&dlg, action] {
            if (QTest::qWaitForWindowActive(&dlg))
                action(dlg);
        });
        // Should the action fail to close the window, end the modal loop with a result no path gives.
        QTimer::singleShot(10000, &dlg, [&dlg] { dlg.done(-1); });
        QTEST(dlg.exec(), "result");
        QVERIFY(!dlg.isVisible());
        QVERIFY(!dlg.findChild<QTimer*>(u"Timer1"_s)->isActive());
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
