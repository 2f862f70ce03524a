#pragma once
// No error ends the program: an exception that escapes a command, a tool, a dialog or a timer
// is shown to the user in a message box, and the program goes on. The commands of the main
// window run inside Guarded; the application object catches whatever else reaches the event
// loop.

#include "app/UnsavedWorkTexts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QString>

#include <exception>
#include <utility>

class QWidget;

namespace kolvar {

// What the user is told about an exception: its own text, or the memory text when an
// allocation failed.
QString ErrorText(std::exception_ptr Error);

// Shows the error box (caption "Error", error icon). While one is showing, further errors are
// not shown: an error repeated by every repaint must not stack up boxes.
void ReportError(QWidget* Parent, std::exception_ptr Error);

// Runs Action; an exception it raises is reported instead of passed on. True when Action
// finished normally.
template <class F> bool Guarded(QWidget* Parent, F&& Action) noexcept {
    try {
        std::forward<F>(Action)();
        return true;
    } catch (...) {
        ReportError(Parent, std::current_exception());
        return false;
    }
}

// The program's application object: every event is delivered inside Guarded.
class TKolvarApplication : public QApplication {
public:
    TKolvarApplication(int& argc, char** argv);
    bool notify(QObject* Receiver, QEvent* Event) override;

private:
    QString FLastPaintError;
    QElapsedTimer FSincePaintError;
};

} // namespace kolvar
