#include "ui/frmAbout.h"

#include "platform/Twips.h"
#include "ui/Decoration.h"
#include "ui/Style.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

namespace vorlin {

namespace {

// Designed left edge of the sliding picture, in twips; only its rightmost 390 twips are inside.
constexpr int DesignedLeftTwips = -9645;
constexpr int BandTopTwips = 675;
constexpr int BandHeightTwips = 870;

// Step, end and restart of the slide, in the window's horizontal units.
constexpr qint32 StepUnits = 40;
constexpr float RestartAt = 6000;
constexpr float RestartFrom = -10000;

QString applicationTitle()
{
    const QString title = QGuiApplication::applicationDisplayName();
    return title.isEmpty() ? QStringLiteral("Vorlin") : title;
}

QLabel* addLabel(QWidget* parent, const char* name, QRect twips, const QColor& text)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    style::setColours(label, style::Yellow, text);
    return label;
}

// A horizontal line from x1 to x2 at height y (twips), drawn as a strip of its colour that hangs
// below its coordinate, widthPixels high.
Decoration* addLine(QWidget* parent, const char* name, int x1, int x2, int y, const QColor& colour,
                    int widthPixels)
{
    const int left = twipsToPixels(x1);
    return new Decoration(parent, name, QRect(left, y / 15, twipsToPixels(x2) - left + 1, widthPixels),
                          colour);
}

} // namespace

UnitImage::UnitImage(QWidget* parent) : QLabel(parent) {}

void UnitImage::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    QPainter painter(this);
    Decoration::paintOver(this, painter);
}

int UnitImage::pixelLeft(float units)
{
    return qRound(double(units) * about::TwipsPerUnitX / 15.0);
}

void UnitImage::setLeft(float units)
{
    m_left = units;
    move(pixelLeft(units), y());
}

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    style::loadResources();
    setWindowIcon(style::windowIcon());
    setFixedSize(twipsToPixels(about::ClientWidthTwips), twipsToPixels(about::ClientHeightTwips));
    style::setBackground(this, style::Yellow);

    const QColor grey(128, 128, 128);

    lblTitle = addLabel(this, "lblTitle", QRect(923, 240, 3885, 270), Qt::black);
    lblTitle->setFont(style::captionFont());
    lblTitle->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    // The band: a black strip with the picture sliding over it, framed by grey lines above and a grey
    // and a brown line below. The lines lie over the strip and the picture, so that each shows its
    // full width.
    Shape1 = new Decoration(this, "Shape1", twipsRect(0, BandTopTwips, 6198, BandHeightTwips), Qt::black);

    imaRezerovuvi = new UnitImage(this);
    imaRezerovuvi->setObjectName(QStringLiteral("imaRezerovuvi"));
    imaRezerovuvi->setAccessibleName(QStringLiteral("Train"));
    const QPixmap vehicle(QStringLiteral(":/pictures/vehicle.bmp"));
    imaRezerovuvi->setPixmap(vehicle);
    imaRezerovuvi->setGeometry(QRect(QPoint(0, twipsToPixels(BandTopTwips)), vehicle.size()));
    imaRezerovuvi->setLeft(float(DesignedLeftTwips / about::TwipsPerUnitX));

    Line2 = addLine(this, "Line2", 0, 6176, 666, grey, 2);
    Line3 = addLine(this, "Line3", 0, 6176, 1557, grey, 2);
    Line4 = addLine(this, "Line4", 0, 6176, 1579, QColor(128, 64, 0), 2);

    lblDescription = addLabel(this, "lblDescription", QRect(90, 1800, 5579, 435), style::Navy);
    lblDescription->setFont(style::captionFont());
    lblDescription->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblDescription->setWordWrap(true);
    lblDescription->setText(
        QStringLiteral("RENAME DRAWINGS: modify filenames according to the 'naming convention'"));

    // Line1 is a pair: a grey line and, one pixel below it, a white one, above the author line.
    Line1_1 = addLine(this, "Line1", 90, 5654, 2445, grey, 1);
    Line1_1->setProperty("index", 1);
    Line1_0 = addLine(this, "Line1", 105, 5654, 2460, Qt::white, 2);
    Line1_0->setProperty("index", 0);

    Image1 = addLabel(this, "Image1", QRect(105, 2520, 810, 795), Qt::black);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(QPixmap(QStringLiteral(":/pictures/image1.bmp")));
    Image1->setAccessibleName(QStringLiteral("Drawing sheet and pencil"));

    QFont plain = style::captionFont();
    plain.setBold(false);
    lblDisclaimer = addLabel(this, "lblDisclaimer", QRect(990, 2520, 2700, 825), Qt::black);
    lblDisclaimer->setFont(plain);
    lblDisclaimer->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDisclaimer->setText(QStringLiteral("The Vorlin developers\nGraz, Austria\n2026"));

    // The only control that takes the focus; default button for Enter, cancel button for Escape.
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(twipsRect(4245, 2835, 1260, 345));
    cmdOK->setFont(plain);
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    cmdOK->setFocus();
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(50);
    connect(Timer1, &QTimer::timeout, this, &frmAbout::Timer1_Timer);

    Form_Load();
    Timer1->start();
}

void frmAbout::Form_Load()
{
    const QString title = applicationTitle();
    setWindowTitle(QStringLiteral("About ") + title);
    lblTitle->setText(title);
    lngStep = 1;
}

void frmAbout::Timer1_Timer()
{
    // The sum is rounded to single precision as it is set; the test below uses the value read back.
    const qint32 step = lngStep * StepUnits;
    imaRezerovuvi->setLeft(static_cast<float>(double(imaRezerovuvi->left()) + step));
    if (imaRezerovuvi->left() >= RestartAt)
        imaRezerovuvi->setLeft(RestartFrom);
}

void frmAbout::cmdOK_Click()
{
    accept();
}

void frmAbout::done(int result)
{
    // A closed About window is spent: it no longer ticks.
    Timer1->stop();
    QDialog::done(result);
}

void frmAbout::keyPressEvent(QKeyEvent* event)
{
    // cmdOK is also the cancel button: Escape presses it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdOK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace vorlin
