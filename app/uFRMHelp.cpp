#include "app/uFRMHelp.h"

namespace kolvar {

void ShowHelpContents(QWidget*) {}
void ShowHelpSearch(QWidget*) {}
void ShowHelpContext(QWidget*, int) {}

} // namespace kolvar
