// The About window: its pictures and the band's lines over them, the slide's restart boundary, and
// the ways to close it.
#include "ui/frmAbout.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <cmath>

using vorlin::frmAbout;
using namespace Qt::StringLiterals;

class TestFrmAbout : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    void titlePicturesAndBand()
    {
        QGuiApplication::setApplicationDisplayName(u"Drawing Tool"_s);
        frmAbout dlg;
        const auto* picture = dlg.findChild<vorlin::UnitImage*>(u"imaRezerovuvi"_s);
        QCOMPARE(dlg.windowTitle(), u"About Drawing Tool"_s);
        QCOMPARE(dlg.minimumSize(), QSize(382, 237));
        QCOMPARE(dlg.maximumSize(), QSize(382, 237));
        // The pictures come from the library's resources; a static library drops them unless loaded.
        QCOMPARE(picture->pixmap().size(), QSize(669, 58));
        QCOMPARE(dlg.findChild<QLabel*>(u"Image1"_s)->pixmap().size(), QSize(54, 53));
        QVERIFY(dlg.windowIcon().availableSizes().contains(QSize(32, 32)));
        // The band's top line lies over the picture (x 10) and over the black strip beside it (x 100).
        const QImage band = dlg.grab().toImage();
        QCOMPARE(band.pixelColor(100, 70), QColor(Qt::black));
        for (int x : {10, 100})
            QCOMPARE(band.pixelColor(x, 45), QColor(128, 128, 128));
    }

    void ticks_data()
    {
        QTest::addColumn<float>("start"); // NaN: where the window puts the picture
        QTest::addColumn<float>("end");
        QTest::addColumn<int>("visible"); // pixel columns of the picture inside the window
        QTest::newRow("from the designed position: 40 units on, 29 columns in")
            << float(NAN) << -9017.2f << 29;
        QTest::newRow("reaching exactly 6000 jumps back to -10000") << 5960.0f << -10000.0f << 0;
        QTest::newRow("ending the least amount below 6000 does not jump")
            << std::nextafter(5960.0f, 0.0f) << std::nextafter(6000.0f, 0.0f) << 0;
    }

    // One tick of the slide, with the timer stopped so that only the test ticks it.
    void ticks()
    {
        QFETCH(float, start);
        frmAbout dlg;
        auto* picture = dlg.findChild<vorlin::UnitImage*>(u"imaRezerovuvi"_s);
        dlg.findChild<QTimer*>(u"Timer1"_s)->stop();
        if (!std::isnan(start))
            picture->setLeft(start);
        dlg.Timer1_Timer();
        QTEST(picture->left(), "end");
        QTEST(dlg.rect().intersected(picture->geometry()).width(), "visible");
    }

    void closing_data()
    {
        QTest::addColumn<int>("key"); // 0: the frame's close button
        QTest::addColumn<int>("result");
        QTest::newRow("Enter presses OK, the default button")
            << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::newRow("Escape presses OK, the cancel button")
            << int(Qt::Key_Escape) << int(QDialog::Accepted);
        QTest::newRow("the frame's close button just closes") << 0 << int(QDialog::Rejected);
    }

    void closing()
    {
        QFETCH(int, key);
        frmAbout dlg;
        QTimer::singleShot(0, &dlg, [&dlg, key] {
            QVERIFY(QTest::qWaitForWindowActive(&dlg));
            if (key)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
            else
                dlg.close();
        });
        // Should the action fail to close the window, end the modal loop with a result no path gives.
        QTimer::singleShot(10000, &dlg, [&dlg] { dlg.done(-1); });
        QTEST(dlg.exec(), "result");
        QVERIFY(!dlg.findChild<QTimer*>(u"Timer1"_s)->isActive());
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
