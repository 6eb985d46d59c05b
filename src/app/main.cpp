#include "platform/Pictures.h"
#include "ui/Style.h"
#include "ui/frmEdit.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The application's title; message boxes and the About window show it.
    QApplication::setApplicationName(QStringLiteral("Vorlin"));
    QApplication::setApplicationVersion(QStringLiteral(VORLIN_VERSION));
    // Lets the desktop match the windows to the installed desktop entry and its icon.
    QApplication::setDesktopFileName(QStringLiteral("io.github.vorlin.Vorlin"));
    QApplication::setWindowIcon(vorlin::style::windowIcon());
    vorlin::style::useProportionalApplicationFont();
    vorlin::configurePictureLoading();

    vorlin::frmEdit window;
    window.show();
    return QApplication::exec();
}
