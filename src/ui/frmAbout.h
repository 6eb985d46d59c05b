#pragma once

#include <QDialog>

namespace vorlin {

class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);
};

} // namespace vorlin
