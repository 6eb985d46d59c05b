#pragma once

#include <QDialog>
#include <QLabel>

class QKeyEvent;
class QPushButton;
class QTimer;

namespace vorlin {

class Decoration;

// The About window's own coordinate scale: its client area of 5730 by 3555 twips is 5380.766 units
// wide and 2453.724 units high, so one horizontal unit is 1.064904 twips.
namespace about {
constexpr int ClientWidthTwips = 5730;
constexpr int ClientHeightTwips = 3555;
constexpr double ScaleWidth = 5380.766;
constexpr double ScaleHeight = 2453.724;
constexpr double TwipsPerUnitX = ClientWidthTwips / ScaleWidth;
} // namespace about

// An image control whose Left is read and set in the About window's horizontal units.
//
// Left is held as a single-precision number: setting it keeps the value at single precision, and
// that is the only rounding that feeds back into what Left reads. The label's pixel position is
// derived from it and never read back: units times 1.064904 give twips, twips divided by 15 and
// rounded to the nearest whole number (halves away from zero) give pixels.
class UnitImage : public QLabel
{
    Q_OBJECT

public:
    explicit UnitImage(QWidget* parent);

    float left() const { return m_left; }
    void setLeft(float units);

    // The pixel column of the left edge for a Left in units.
    static int pixelLeft(float units);

protected:
    // The band's lines lie over the picture.
    void paintEvent(QPaintEvent* event) override;

private:
    float m_left = 0;
};

// The About window: title, description, author line, a train sliding along a black band, and "OK".
// Constructing it loads it (Form_Load runs and Timer1 starts); exec() shows it modally. Closing it
// stops the timer for good: each opening is a new instance, so the train starts from its designed
// position every time.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);

    // Event handlers, public so that they can be raised without waiting for the timer.
    void Form_Load();
    void Timer1_Timer();
    void cmdOK_Click();

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* lblTitle = nullptr;
    Decoration* Line2 = nullptr;
    Decoration* Shape1 = nullptr;
    UnitImage* imaRezerovuvi = nullptr;
    Decoration* Line3 = nullptr;
    Decoration* Line4 = nullptr;
    QLabel* lblDescription = nullptr;
    Decoration* Line1_1 = nullptr;
    Decoration* Line1_0 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* lblDisclaimer = nullptr;
    QPushButton* cmdOK = nullptr;
    QTimer* Timer1 = nullptr;

    // Multiplier of the picture's step; 0 until Form_Load sets it to 1.
    qint32 lngStep = 0;
};

} // namespace vorlin
