// Stages a folder of demo drawings, opens the main window in it, picks a DIB and a bitmap as a user
// would, and saves what the window shows. Optionally saves the About window too.
//
//   vorlin-screenshot <demo folder> <main window.png> [about window.png]
//
// The demo folder must not exist yet; it is created and left for the caller to remove.
#include "platform/FileListBox.h"
#include "platform/Pictures.h"
#include "ui/Style.h"
#include "ui/frmAbout.h"
#include "ui/frmEdit.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QTextStream>

namespace {

// A part of the About window's train, on white, as a drawing of one vehicle.
QImage vehicleDrawing(const QImage& train, QRect part)
{
    QImage drawing = train.copy(part).convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < drawing.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(drawing.scanLine(y));
        for (int x = 0; x < drawing.width(); ++x) {
            if (qGray(row[x]) < 24)
                row[x] = qRgb(255, 255, 255);
        }
    }
    return drawing;
}

bool stageDrawings(const QString& folder)
{
    vorlin::style::loadResources();
    const QImage train(QStringLiteral(":/pictures/vehicle.bmp"));
    if (train.isNull())
        return false;
    const QImage locomotive = vehicleDrawing(train, QRect(494, 0, 175, 58));
    const QImage coach = vehicleDrawing(train, QRect(4, 0, 244, 58));

    const QDir dir(folder);
    const std::pair<const char*, const QImage&> drawings[] = {
        {"CH_SBB_E_Re460_1.bmp", locomotive}, {"I_FS_PC_UIC-X.bmp", coach}, {"Re 460 side.bmp", locomotive},
        {"coach side_2.dib", coach},          {"E626.dib", locomotive},
    };
    for (const auto& [name, image] : drawings) {
        if (!image.save(dir.filePath(QLatin1String(name)), "BMP"))
            return false;
    }
    return true;
}

// Selects the entry called name, then raises the list's click as a pick by the user does.
bool pick(vorlin::FileListBox* list, const QString& name)
{
    for (int i = 0; i < list->listCount(); ++i) {
        if (list->list(i) == name) {
            list->setListIndex(i);
            return true;
        }
    }
    return false;
}

bool save(QWidget* window, const QString& path)
{
    window->show();
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();
    return window->grab().save(path, "PNG");
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3 || args.size() > 4) {
        err << "usage: vorlin-screenshot <demo folder> <main window.png> [about window.png]\n";
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("Vorlin"));
    QApplication::setWindowIcon(vorlin::style::windowIcon());
    vorlin::style::useProportionalApplicationFont();
    vorlin::configurePictureLoading();

    const QString folder = args.at(1);
    if (QFileInfo::exists(folder) || !QDir().mkpath(folder) || !stageDrawings(folder)) {
        err << "cannot stage the demo drawings in " << folder << " (it must not exist yet)\n";
        return 1;
    }
    QDir::setCurrent(folder);

    vorlin::frmEdit window;
    window.show();
    auto* dibs = window.findChild<vorlin::FileListBox*>(QStringLiteral("File1"));
    auto* bitmaps = window.findChild<vorlin::FileListBox*>(QStringLiteral("File2"));
    if (!dibs || !bitmaps || !pick(dibs, QStringLiteral("coach side_2.dib"))) {
        err << "the demo DIB is not listed\n";
        return 1;
    }
    window.File1_Click();
    if (!pick(bitmaps, QStringLiteral("CH_SBB_E_Re460_1.bmp"))) {
        err << "the demo bitmap is not listed\n";
        return 1;
    }
    window.File2_Click();
    bitmaps->setFocus();

    if (!save(&window, args.at(2))) {
        err << "cannot write " << args.at(2) << "\n";
        return 1;
    }
    if (args.size() == 4) {
        vorlin::frmAbout about(&window);
        if (!save(&about, args.at(3))) {
            err << "cannot write " << args.at(3) << "\n";
            return 1;
        }
    }
    return 0;
}
