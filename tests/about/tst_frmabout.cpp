// The About window: the slide's restart boundary, its title and the ways to close it.
#include "ui/frmAbout.h"

#include <QTest>
#include <QTimer>
#include <cmath>

using vorlin::frmAbout;
using namespace Qt::StringLiterals;

class TestFrmAbout : public QObject
{
    Q_OBJECT

private slots:
    void ticks_data()
    {
        QTest::addColumn<float>("start"); // NaN: where the window puts the picture
        QTest::addColumn<float>("end");
        QTest::addColumn<int>("visible"); // pixel columns of the picture inside the window
        QTest::newRow("from the designed place: 40 units on, 29 columns in") << float(NAN) << -9017.2f << 29;
        QTest::newRow("reaching exactly 6000 jumps back to -10000") << 5960.0f << -10000.0f << 0;
    }

    // One tick of the slide, raised by hand: no event loop runs, so the timer never fires here.
    void ticks()
    {
        QFETCH(float, start);
        frmAbout dlg;
        auto* picture = dlg.findChild<vorlin::UnitImage*>(u"imaRezerovuvi"_s);
        if (!std::isnan(start))
            picture->setLeft(start);
        QMetaObject::invokeMethod(dlg.findChild<QTimer*>(u"Timer1"_s), "timeout");
        QTEST(picture->left(), "end");
        QTEST(dlg.rect().intersected(picture->geometry()).width(), "visible");
    }

    void closing_data()
    {
        QTest::addColumn<int>("key"); // 0: the frame's close button
        QTest::addColumn<bool>("accepted");
        QTest::newRow("Enter presses OK, the default button") << int(Qt::Key_Return) << true;
        QTest::newRow("Escape presses OK, the cancel button") << int(Qt::Key_Escape) << true;
        QTest::newRow("the frame's close button just closes") << 0 << false;
    }

    void closing()
    {
        QFETCH(int, key);
        QGuiApplication::setApplicationDisplayName(u"Drawing Tool"_s);
        frmAbout dlg; // how it looks, the window's reference pictures show
        QCOMPARE(dlg.windowTitle(), u"About Drawing Tool"_s);
        dlg.show();
        auto* timer = dlg.findChild<QTimer*>(u"Timer1"_s);
        QVERIFY(timer->isActive() && timer->interval() == 50); // the slide ticks every 50 ms until closed
        if (key)
            QTest::keyClick(&dlg, Qt::Key(key));
        else
            dlg.close();
        QVERIFY(dlg.isHidden());
        QTEST(dlg.result() == QDialog::Accepted, "accepted");
        QVERIFY(!timer->isActive());
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
