#pragma once
// The About dialog.

class QWidget;

namespace kolvar {

void ShowAboutDialog(QWidget* Parent);

} // namespace kolvar
