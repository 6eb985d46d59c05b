#pragma once

#include "Failure.h"

#include <QString>
#include <functional>

class QWidget;

namespace vorlin {

// Every modal box of the program goes through here, so that tests can answer them.
class MessageBox
{
public:
    // Style values: buttons plus icon, added together.
    enum Style { OkOnly = 0, OkCancel = 1, Critical = 16, Exclamation = 48 };
    // Answers, as returned by show().
    enum Answer { Ok = 1, Cancel = 2 };

    struct Shown
    {
        QString prompt;
        int style = 0;
        QString title;
    };
    using Responder = std::function<int(const Shown&)>;

    // Shows a modal box and returns the button pressed. An empty title shows the application's
    // title ("Vorlin").
    static int show(const QString& prompt, int style = OkOnly, const QString& title = QString());

    // The default error report for a failure no handler expects: its description, critical icon,
    // OK button, the application's title.
    static void reportError(const Failure& failure);

    // Test hook: while set, no box is shown; the responder records each box and returns the answer.
    static void setResponder(Responder responder);
    static void clearResponder();

    // The window boxes are shown over; defaults to the active window.
    static void setParentWidget(QWidget* parent);
};

} // namespace vorlin
