#include "ui/frmEdit.h"

#include "names/CodeTables.h"
#include "names/DrawingName.h"
#include "names/NameReading.h"
#include "platform/DirListBox.h"
#include "platform/DriveListBox.h"
#include "platform/Drives.h"
#include "platform/FileListBox.h"
#include "platform/MessageBox.h"
#include "platform/PictureBox.h"
#include "platform/Pictures.h"
#include "platform/SafeRename.h"
#include "platform/Twips.h"
#include "ui/Accessibility.h"
#include "ui/Decoration.h"
#include "ui/Style.h"
#include "ui/frmAbout.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QWindow>
#include <algorithm>

namespace vorlin {

namespace {

// Client area of the window as designed, in twips.
constexpr int ClientWidth = 10860;
constexpr int ClientHeight = 6135;

const QString AppTitle = QStringLiteral("Vorlin");
const QString LineUpPrompt = QStringLiteral("Line up drive, folders and files!");

const QChar Separator = QDir::separator();

// Both picture boxes have this designed size (twips); a drawing is loaded only as far as it shows.
constexpr int PictureWidth = 4665;
constexpr int PictureHeight = 945;

// Puts a control at its designed place and remembers its TabIndex, from which the tab order is built.
template <typename Widget> Widget* place(Widget* widget, const char* name, QRect twips, int tabIndex)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    widget->setProperty("TabIndex", tabIndex);
    return widget;
}

QLabel* caption(QWidget* parent, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setFont(style::captionFont());
    style::setColours(label, style::Yellow, Qt::black);
    return label;
}

QLineEdit* textBox(QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setFont(style::fixedFont());
    return box;
}

// The completion popup of a combo box. It is placed just below the whole box (or just above, where
// the screen has no room below), never over its frame. It holds the mouse while it is open, and
// Qt's completer eats the press that closes it, so a click on another control would only close the
// popup: this closes it and hands the press on to the control under the mouse, which takes the
// focus as a click gives it, so the click acts on its target at once.
class CompletionPopup : public QObject
{
public:
    CompletionPopup(QAbstractItemView* popup, QComboBox* box) : QObject(popup), m_popup(popup), m_box(box) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show || event->type() == QEvent::Move)
            keepClearOfTheBox();
        if (event->type() != QEvent::MouseButtonPress)
            return false;
        const auto* press = static_cast<QMouseEvent*>(event);
        const QPoint global = press->globalPosition().toPoint();
        if (m_popup->rect().contains(m_popup->mapFromGlobal(global)))
            return false;
        m_popup->hide();
        QWidget* target = QApplication::widgetAt(global);
        // A window behind a modal dialog takes no clicks.
        if (!target || QApplication::activeModalWidget())
            return true;
        if (QWindow* window = target->window()->windowHandle()) {
            const QPointF local = window->mapFromGlobal(press->globalPosition());
            QMouseEvent replay(QEvent::MouseButtonPress, local, local, press->globalPosition(),
                               press->button(), press->buttons(), press->modifiers(),
                               press->pointingDevice());
            QCoreApplication::sendEvent(window, &replay);
        }
        return true;
    }

private:
    void keepClearOfTheBox()
    {
        const QRect box(m_box->mapToGlobal(QPoint()), m_box->size());
        QRect placed = m_popup->geometry();
        if (!placed.intersects(box))
            return;
        if (placed.center().y() >= box.center().y())
            placed.moveTop(box.bottom() + 1);
        else
            placed.moveBottom(box.top() - 1);
        m_popup->move(placed.topLeft());
    }

    QAbstractItemView* m_popup;
    QComboBox* m_box;
};

// Set up on the first focus of a combo box, so that a window's start does not pay for a popup
// that may never open: its font, and the hand-over of the press that closes it.
class ConfigureCompleterOnFocus : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn) {
            auto* box = static_cast<QComboBox*>(watched);
            QAbstractItemView* popup = box->completer()->popup();
            // The popup is a window of its own: give it the fixed-width font that lines the codes up.
            popup->setFont(style::fixedFont());
            popup->installEventFilter(new CompletionPopup(popup, box));
            watched->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }
};

QComboBox* comboBox(QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setFont(style::fixedFont());
    box->setMaxVisibleItems(15);
    // What is typed stays as typed: Qt's default completer would finish "FR" as "FRG - Germany".
    // Matching entries are offered in a popup instead; only picking one changes the text.
    box->completer()->setCompletionMode(QCompleter::PopupCompletion);
    box->installEventFilter(new ConfigureCompleterOnFocus(box));
    return box;
}

// A vertical line of the default colour, one pixel wide, between two points given in twips.
void verticalLine(QWidget* surface, const char* name, int x, int top, int bottom)
{
    new Decoration(surface, name, QRect(twipsToPixels(x), twipsToPixels(top), 1, twipsToPixels(bottom - top)),
                   surface->palette().color(QPalette::WindowText));
}

} // namespace

frmEdit::frmEdit(QWidget* parent) : QMainWindow(parent)
{
    installAccessibility();
    setObjectName(QStringLiteral("frmEdit"));
    setWindowTitle(QStringLiteral("Rename Drawings"));
    setWindowIcon(style::windowIcon());

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    style::setBackground(client, style::Yellow);
    client->setFont(style::defaultFont());
    setCentralWidget(client);

    createControls(client);
    createMenus();
    setTabOrder();

    // The lists start on the current directory, before any handler is connected.
    const QString current = currentDirectory();
    Drive1->setDrive(Drives::keyOf(current));
    File1->setPath(dirSourceBMP->path());
    File2->setPath(dirSourceBMP->path());

    connectHandlers();
    resize(twipsToPixels(ClientWidth), twipsToPixels(ClientHeight) + menuBar()->sizeHint().height());

    Form_Load();
}

frmEdit::~frmEdit() = default;

void frmEdit::showEvent(QShowEvent* event)
{
    // The focus starts on a picture box, for the keyboard: show where it is from the start, not
    // only after the first Tab, as styles otherwise do.
    setAttribute(Qt::WA_KeyboardFocusChange);
    QMainWindow::showEvent(event);
}

void frmEdit::createControls(QWidget* client)
{
    // Left column: drive, folders and DIB drawings.
    Label1 = place(caption(client, QStringLiteral("Select Drive\\Folder containing the Drawings:")), "Label1",
                   {120, 60, 4665, 255}, 4);
    Drive1 = place(new DriveListBox(client), "Drive1", {120, 300, 4665, 315}, 1);
    dirSourceBMP = place(new DirListBox(client), "dirSourceBMP", {120, 645, 4665, 1665}, 2);
    Label5 = place(caption(client, QStringLiteral("Select Drawing (dib FileName):")), "Label5",
                   {120, 2565, 4665, 255}, 7);
    File1 = place(new FileListBox(client), "File1", {120, 2835, 4665, 2235}, 3);
    File1->setPattern(QStringLiteral("*.dib"));
    picDib = place(new PictureBox(client), "picDib", {120, 5070, PictureWidth, PictureHeight}, 0);

    // Right column: the convention, the new name and the fields in the order of the convention.
    Label6 = place(new QLabel(QStringLiteral("country_company_gt_acronym(_suffix).bmp "), client), "Label6",
                   {5175, 60, 5580, 210}, 14);
    Label6->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    style::setColours(Label6, style::Yellow);

    txtFile = place(textBox(client), "txtFile", {5130, 300, 5640, 330}, 13);
    txtFile->setAlignment(Qt::AlignCenter);
    // Shown, never typed into: neither focused nor edited, also for assistive technology, which
    // reads it as read-only when it is first told of it (here, by the change to disabled).
    txtFile->setReadOnly(true);
    txtFile->setFocusPolicy(Qt::NoFocus);
    txtFile->setEnabled(false);
    style::setColours(txtFile, style::Yellow, style::Navy);

    Label4 = place(caption(client, QStringLiteral("ULAND (country):")), "Label4", {5130, 678, 1590, 255}, 9);
    cboUland = place(comboBox(client), "cboUland", {6870, 678, 3900, 330}, 5);
    Label7 = place(caption(client, QStringLiteral("Company:")), "Label7", {5130, 1056, 1425, 255}, 16);
    txtCompany = place(textBox(client), "txtCompany", {6870, 1056, 3900, 315}, 15);
    Label3 = place(caption(client, QStringLiteral("GT (type):")), "Label3", {5130, 1419, 1470, 255}, 8);
    cboGT = place(comboBox(client), "cboGT", {6870, 1419, 3900, 330}, 6);
    Label8 = place(caption(client, QStringLiteral("Acronym:")), "Label8", {5130, 1797, 1470, 255}, 19);
    txtAcronym = place(textBox(client), "txtAcronym", {6870, 1797, 3900, 315}, 18);
    Label9 = place(caption(client, QStringLiteral("Suffix:")), "Label9", {5130, 2160, 1470, 255}, 21);
    txtSuffix = place(textBox(client), "txtSuffix", {6870, 2160, 3900, 315}, 20);

    Label2 = place(caption(client, QStringLiteral("Select Drawing (bmp FileName):")), "Label2",
                   {6075, 2565, 4665, 255}, 12);
    File2 = place(new FileListBox(client), "File2", {6105, 2835, 4665, 2235}, 10);
    File2->setPattern(QStringLiteral("*.bmp"));
    picBmp = place(new PictureBox(client), "picBmp", {6105, 5070, PictureWidth, PictureHeight}, 11);

    // Between the columns: the "maintain previous" switch and the command.
    chkM = place(new QCheckBox(client), "chkM", {4875, 1410, 195, 270}, 22);
    // A button paints its background in the button colour; the check box is yellow like the window.
    chkM->setBackgroundRole(QPalette::Window);
    style::setBackground(chkM, style::Yellow);
    // The designed box is 13 pixels wide; the style's own indicator is wider and would lose its edge.
    chkM->setStyleSheet(QStringLiteral("QCheckBox::indicator { width: 13px; height: 13px; }"));
    Label10 =
        place(new QLabel(QStringLiteral("maintain previous"), client), "Label10", {5010, 2850, 960, 405}, 23);
    Label10->setWordWrap(true);
    style::setColours(Label10, style::Yellow);
    verticalLine(client, "Line1", 4965, 720, 1635);
    verticalLine(client, "Line2", 4965, 1485, 3210);
    cmdRD = place(new QPushButton(QStringLiteral("Rename!"), client), "cmdRD", {4905, 3720, 1095, 495}, 17);
    // A main window has no default button: only an auto-default button reacts to Return and Enter
    // while it has the focus (Space presses any button).
    cmdRD->setAutoDefault(true);

    // Screen readers announce each field by the caption beside it.
    const std::pair<QWidget*, QLabel*> captioned[] = {
        {Drive1, Label1},     {File1, Label5},     {cboUland, Label4}, {txtCompany, Label7}, {cboGT, Label3},
        {txtAcronym, Label8}, {txtSuffix, Label9}, {File2, Label2},    {chkM, Label10},
    };
    for (const auto& [control, label] : captioned) {
        label->setBuddy(control);
        control->setAccessibleName(label->text().remove(QLatin1Char(':')).trimmed());
        if (auto* box = qobject_cast<QComboBox*>(control); box && box->lineEdit())
            box->lineEdit()->setAccessibleName(control->accessibleName());
    }
    dirSourceBMP->setAccessibleName(QStringLiteral("Folders"));
    txtFile->setAccessibleName(QStringLiteral("New file name"));
    picDib->setAccessibleName(QStringLiteral("DIB drawing"));
    picBmp->setAccessibleName(QStringLiteral("Bitmap drawing"));
    for (PictureBox* box : {picDib, picBmp}) {
        // Picture boxes keep the system's plain background, not the window's yellow.
        style::setBackground(box, QApplication::palette().color(QPalette::Window));
        box->setFocusPolicy(Qt::StrongFocus);
    }
}

void frmEdit::createMenus()
{
    menuFile = menuBar()->addMenu(QStringLiteral("&File"));
    menuFile->setObjectName(QStringLiteral("menuFile"));
    // A menu is read by its accessible name when it opens; its entry in the bar by its caption.
    menuFile->setAccessibleName(QStringLiteral("File"));
    menuExit = menuFile->addAction(QStringLiteral("&Exit"), this, &frmEdit::menuExit_Click);
    menuExit->setObjectName(QStringLiteral("menuExit"));

    menuX = menuBar()->addMenu(QStringLiteral("?"));
    menuX->setObjectName(QStringLiteral("menuX"));
    menuX->setAccessibleName(QStringLiteral("Help"));
    menuAbout = menuX->addAction(QStringLiteral("&About"), this, &frmEdit::menuAbout_Click);
    menuAbout->setObjectName(QStringLiteral("menuAbout"));
}

void frmEdit::connectHandlers()
{
    connect(Drive1, &DriveListBox::change, this, &frmEdit::Drive1_Change);
    connect(dirSourceBMP, &DirListBox::change, this, &frmEdit::dirSourceBMP_Change);
    connect(File2, &FileListBox::click, this, &frmEdit::File2_Click);
    connect(File1, &FileListBox::click, this, &frmEdit::File1_Click);
    connect(cmdRD, &QPushButton::clicked, this, &frmEdit::cmdRD_Click);
}

// Tab moves through the controls by rising TabIndex (ties in the order made), skipping focusless ones.
void frmEdit::setTabOrder()
{
    QList<QWidget*> controls;
    for (QWidget* child : centralWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->property("TabIndex").isValid() && child->focusPolicy() != Qt::NoFocus &&
            child->isEnabled())
            controls.append(child);
    }
    std::stable_sort(controls.begin(), controls.end(), [](QWidget* a, QWidget* b) {
        return a->property("TabIndex").toInt() < b->property("TabIndex").toInt();
    });
    for (qsizetype i = 1; i < controls.size(); ++i)
        QWidget::setTabOrder(controls[i - 1], controls[i]);
    if (!controls.isEmpty())
        controls.first()->setFocus();
}

void frmEdit::Form_Load()
{
    cboGT->clear();
    cboGT->addItems(GtTable().listEntries());
    cboGT->setCurrentIndex(-1);
    cboGT->clearEditText();

    cboUland->clear();
    cboUland->addItems(UlandTable().listEntries());
    cboUland->setCurrentIndex(-1);
    cboUland->clearEditText();

    m_strPath = currentDirectory();
    // The drive already shows the current directory's drive, so this raises no change.
    Drive1->setDrive(Drives::keyOf(m_strPath));
}

void frmEdit::Drive1_Change()
{
    const QString previous = Drives::keyOf(currentDirectory());
    m_strPath = Drive1->drive();

    const QString root = Drives::rootOf(m_strPath);
    std::optional<Failure> failure = setCurrentDrive(m_strPath);
    if (!failure)
        failure = setCurrentDirectory(root);
    if (!failure)
        failure = dirSourceBMP->setPath(root);
    if (!failure) {
        // When the folder list already showed this root it raised no change; strPath must still
        // name a folder, never a bare drive key.
        m_strPath = dirSourceBMP->path();
        return;
    }

    if (failure->number == Failure::DeviceUnavailable)
        MessageBox::show(QStringLiteral("Device NOT available!"), MessageBox::Exclamation,
                         QStringLiteral("Quenta"));
    else
        MessageBox::show(failure->description, MessageBox::OkOnly);

    // Going back to the previous drive runs a complete drive change for it, nested here.
    m_strPath = previous;
    Drive1->setDrive(previous);
}

void frmEdit::dirSourceBMP_Change()
{
    m_strPath = dirSourceBMP->path();
    File1->setPath(m_strPath);
    File2->setPath(m_strPath);
}

void frmEdit::ClearFields()
{
    cboUland->setCurrentIndex(-1);
    cboUland->setEditText(QString());
    cboUland->repaint();
    cboGT->setCurrentIndex(-1);
    cboGT->setEditText(QString());
    cboGT->repaint();
    txtAcronym->clear();
    txtAcronym->repaint();
    txtSuffix->clear();
    txtSuffix->repaint();
    txtCompany->clear();
    txtCompany->repaint();
}

bool frmEdit::pick(const FileListBox* list)
{
    // A click with no entry selected has nothing to read.
    const int index = list->listIndex();
    if (index < 0)
        return false;
    if (chkM->checkState() == Qt::Unchecked)
        ClearFields();
    m_strFile = list->list(index);
    m_pickedName = list->listNative(index);
    m_pickedFolder = list->path();
    return true;
}

void frmEdit::showPlainReading(const NameReading& reading)
{
    txtAcronym->setText(reading.acronym.value_or(QString()));
    txtAcronym->repaint();
    txtSuffix->setText(reading.suffix.value_or(QString()));
    txtSuffix->repaint();
}

void frmEdit::File2_Click()
{
    if (!pick(File2))
        return;
    const NameReading reading = ReadBitmapName(m_strFile);
    if (reading.kind == NameReading::Kind::Structured) {
        if (reading.country)
            cboUland->setCurrentIndex(*reading.country);
        if (reading.company)
            txtCompany->setText(*reading.company);
        if (reading.type)
            cboGT->setCurrentIndex(*reading.type);
        if (reading.acronym)
            txtAcronym->setText(*reading.acronym);
        if (reading.suffix)
            txtSuffix->setText(*reading.suffix);
    } else {
        showPlainReading(reading);
    }
    ShowDrawing(QStringLiteral("bmp"));
}

void frmEdit::File1_Click()
{
    if (!pick(File1))
        return;
    showPlainReading(ReadPlainName(m_strFile, QStringLiteral(".dib")));
    ShowDrawing(QStringLiteral("dib"));
}

void frmEdit::ShowDrawing(const QString& kind)
{
    if (trimSpaces(m_strPath).isEmpty() || m_strPath == QStringLiteral("\\")) {
        MessageBox::show(LineUpPrompt, MessageBox::Exclamation, AppTitle);
        return;
    }
    // The name goes in as the bytes the list read from the folder: its text may not spell it
    // (a name that is not valid UTF-8 shows as a different, possibly existing, name).
    const QString folder = m_strPath.endsWith(Separator) ? m_strPath : m_strPath + Separator;
    const QByteArray path = QFile::encodeName(folder) + m_pickedName;

    QImage picture;
    if (auto failure = loadPicture(path, picture, twipsRect(0, 0, PictureWidth, PictureHeight).size())) {
        MessageBox::reportError(*failure);
        return;
    }

    PictureBox* box = nullptr;
    if (kind == QStringLiteral("dib"))
        box = picDib;
    else if (kind == QStringLiteral("bmp"))
        box = picBmp;
    if (!box)
        return;
    box->cls();
    box->setPicture(picture);
    box->refresh();
    box->setAccessibleDescription(m_strFile);
}

QWidget* frmEdit::controlFor(MandatoryField field) const
{
    switch (field) {
    case MandatoryField::Country:
        return cboUland;
    case MandatoryField::Company:
        return txtCompany;
    case MandatoryField::Type:
        return cboGT;
    case MandatoryField::Acronym:
        return txtAcronym;
    }
    return nullptr;
}

void frmEdit::cmdRD_Click()
{
    txtFile->clear();
    txtFile->repaint();

    const DrawingFields fields{cboUland->currentText(), txtCompany->text(), cboGT->currentText(),
                               txtAcronym->text(), txtSuffix->text()};
    if (const auto empty = firstEmptyField(fields)) {
        MessageBox::show(promptFor(*empty), MessageBox::Exclamation, AppTitle);
        controlFor(*empty)->setFocus();
        return;
    }
    // Without a pick there is no file to rename; the folder itself must never be taken for one.
    if (m_pickedName.isEmpty()) {
        MessageBox::show(LineUpPrompt, MessageBox::Exclamation, AppTitle);
        return;
    }

    txtFile->setText(composeName(fields));
    txtFile->repaint();
    const QString newName = trimSpaces(txtFile->text());
    if (const auto problem = portableNameProblem(newName)) {
        MessageBox::reportError(Failure{Failure::BadFileName, *problem});
        return;
    }

    if (!m_strPath.endsWith(Separator))
        m_strPath = trimSpaces(m_strPath) + Separator;

    if (auto failure = renameNoReplace(m_pickedFolder, m_pickedName, QFile::encodeName(newName))) {
        MessageBox::reportError(*failure);
        return;
    }
    // One reading of the folder for both lists; the new name is scrolled into view where it is listed.
    File1->refresh();
    File2->refresh(true);
    for (FileListBox* list : {File1, File2})
        list->scrollToNative(QFile::encodeName(newName));
}

void frmEdit::menuExit_Click()
{
    if (MessageBox::show(QStringLiteral("This will end the program's session"),
                         MessageBox::OkCancel + MessageBox::Exclamation, AppTitle) == MessageBox::Ok)
        close();
}

void frmEdit::menuAbout_Click()
{
    frmAbout about(this);
    about.exec();
}

} // namespace vorlin
