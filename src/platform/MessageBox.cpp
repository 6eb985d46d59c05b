#include "MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace vorlin {

namespace {

MessageBox::Responder& responder()
{
    static MessageBox::Responder r;
    return r;
}

QPointer<QWidget>& parentWidget()
{
    static QPointer<QWidget> p;
    return p;
}

QString titleOrDefault(const QString& title)
{
    if (!title.isEmpty())
        return title;
    const QString name = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                             ? QGuiApplication::applicationDisplayName()
                             : QString();
    return name.isEmpty() ? QStringLiteral("Vorlin") : name;
}

QMessageBox::Icon iconOf(int style)
{
    switch (style & 0x70) {
    case 16:
        return QMessageBox::Critical;
    case 32:
        return QMessageBox::Question;
    case 48:
        return QMessageBox::Warning;
    case 64:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

int MessageBox::show(const QString& prompt, int style, const QString& title)
{
    const Shown shown{prompt, style, titleOrDefault(title)};
    if (responder())
        return responder()(shown);

    const bool withCancel = (style & 0x0f) == OkCancel;
    QWidget* parent = parentWidget() ? parentWidget().data() : QApplication::activeWindow();
    QMessageBox box(iconOf(style), shown.title, prompt, QMessageBox::NoButton, parent);
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    box.setDefaultButton(ok);
    if (withCancel)
        box.setEscapeButton(box.addButton(QMessageBox::Cancel));
    else
        box.setEscapeButton(ok);
    box.exec();
    // Escape or the frame's close button press the escape button.
    return box.clickedButton() == ok ? Ok : (withCancel ? Cancel : Ok);
}

void MessageBox::reportError(const Failure& failure)
{
    show(failure.description, Critical);
}

void MessageBox::setResponder(Responder r)
{
    responder() = std::move(r);
}

void MessageBox::clearResponder()
{
    responder() = nullptr;
}

void MessageBox::setParentWidget(QWidget* parent)
{
    parentWidget() = parent;
}

} // namespace vorlin
