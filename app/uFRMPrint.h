#pragma once
// The print dialog.

class QWidget;

namespace kolvar {

class TDibContainer;

void ShowPrintDialog(QWidget* Parent, const TDibContainer& Image);

} // namespace kolvar
