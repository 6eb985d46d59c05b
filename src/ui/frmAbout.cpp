#include "ui/frmAbout.h"
namespace vorlin {
frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {}
} // namespace vorlin
