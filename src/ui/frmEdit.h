#pragma once

#include <QByteArray>
#include <QMainWindow>
#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QWidget;

namespace vorlin {

class DriveListBox;
class DirListBox;
class FileListBox;
class PictureBox;
enum class MandatoryField;
struct NameReading;

// The main window: pick a drive, a folder and a drawing, correct the fields read from its name,
// and rename it. Each handler is named after the control and event that raise it.
class frmEdit : public QMainWindow
{
    Q_OBJECT
public:
    // Creates the window with its controls in their designed state, then runs Form_Load.
    explicit frmEdit(QWidget* parent = nullptr);
    ~frmEdit() override;

    // The folder worked in, and the bare name of the file last picked in either list.
    QString strPath() const { return m_strPath; }
    QString strFile() const { return m_strFile; }

    void Form_Load();
    void Drive1_Change();
    void dirSourceBMP_Change();
    void File2_Click();
    void File1_Click();
    void cmdRD_Click();
    void menuExit_Click();
    void menuAbout_Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createControls(QWidget* client);
    void createMenus();
    void connectHandlers();
    void setTabOrder();

    void ClearFields();
    void ShowDrawing(const QString& kind);
    // Starts a pick in list: clears the fields unless "maintain previous" is ticked, and remembers
    // the entry's name, its exact bytes and the folder it lies in. False when no entry is selected.
    bool pick(const FileListBox* list);
    // Writes the acronym and suffix of a plain reading, which are always set.
    void showPlainReading(const NameReading& reading);
    QWidget* controlFor(MandatoryField field) const;

    // The form-level texts of the window.
    QString m_strPath;
    QString m_strFile;
    // Where the last pick was made and its name as the file system holds it, so that the rename
    // acts on exactly that file even after another folder was opened.
    QString m_pickedFolder;
    QByteArray m_pickedName;

    QLabel* Label1 = nullptr;
    DriveListBox* Drive1 = nullptr;
    DirListBox* dirSourceBMP = nullptr;
    QLabel* Label5 = nullptr;
    FileListBox* File1 = nullptr;
    PictureBox* picDib = nullptr;

    QLabel* Label6 = nullptr;
    QLineEdit* txtFile = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* cboUland = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* txtCompany = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* cboGT = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* txtAcronym = nullptr;
    QLabel* Label9 = nullptr;
    QLineEdit* txtSuffix = nullptr;
    QLabel* Label2 = nullptr;
    FileListBox* File2 = nullptr;
    PictureBox* picBmp = nullptr;

    QCheckBox* chkM = nullptr;
    QLabel* Label10 = nullptr;
    QPushButton* cmdRD = nullptr;

    QMenu* menuFile = nullptr;
    QAction* menuExit = nullptr;
    QMenu* menuX = nullptr;
    QAction* menuAbout = nullptr;
};

} // namespace vorlin
