#include "app/uFRMAbout.h"

namespace kolvar {

void ShowAboutDialog(QWidget*) {}

} // namespace kolvar
