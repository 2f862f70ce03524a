#include "app/ErrorGuardWidget.h"

#include "raster/DibContainer.h"
#include "shell/UserDialogsWidget.h"
#include "shell/uLanguagesSuport.h"

#include <new>

namespace kolvar {

namespace {

bool reporting = false;

} // namespace

QString ErrorText(std::exception_ptr Error) {
    try {
        std::rethrow_exception(Error);
    } catch (const std::bad_alloc&) {
        return LanguageMessage(kNotEnoughMemoryText);
    } catch (const EDibMemoryError&) {
        return LanguageMessage(kNotEnoughMemoryText);
    } catch (const std::exception& e) {
        const QString text = QString::fromUtf8(e.what());
        return text.isEmpty() ? LanguageMessage(kUnknownErrorText) : text;
    } catch (...) {
        return LanguageMessage(kUnknownErrorText);
    }
}

void ReportError(QWidget* Parent, std::exception_ptr Error) {
    if (reporting) return;
    reporting = true;
    try {
        UserDialogs().Message(Parent, LanguageMessage(kErrorCaption), ErrorText(Error),
                              TMessageIcon::Error);
    } catch (...) {
        // Showing the box failed as well; there is nothing left to tell the user with.
    }
    reporting = false;
}

TKolvarApplication::TKolvarApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TKolvarApplication::notify(QObject* Receiver, QEvent* Event) {
    bool handled = false;
    try {
        handled = QApplication::notify(Receiver, Event);
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        // A window that fails to paint fails again as soon as the box over it closes: the
        // same error from painting is told once, not in an endless row of boxes.
        if (Event->type() == QEvent::Paint) {
            const QString text = ErrorText(error);
            if (text == FLastPaintError && FSincePaintError.isValid() &&
                FSincePaintError.elapsed() < 5000) {
                FSincePaintError.start();
                return false;
            }
            FLastPaintError = text;
            ReportError(activeWindow(), error);
            FSincePaintError.start();
            return false;
        }
        ReportError(activeWindow(), error);
    }
    return handled;
}

} // namespace kolvar
