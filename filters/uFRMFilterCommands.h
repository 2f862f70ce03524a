#pragma once
// How the Filter menu's commands run: a dialog, a direct command or the histogram window,
// chosen by the filter table's row.

#include "filters/GraphicFilterInfo.h"

class QWidget;

namespace kolvar {

class TFilterDocument;

// Shows the row's dialog for the document modally and frees it afterwards; true when the
// filter was applied.
bool ExecuteFilterDialog(QWidget* Parent, const TFilterInfo& Info, TFilterDocument& Document);

// The parameter-less commands: undo copy, then the filter over the selection (or the whole
// image) straight into the document image.
void ApplyFilterDirectCommand(const TFilterInfo& Info, TFilterDocument& Document);

// Runs the command of the Filter menu item with this Tag on the document.
void ExecuteFilterCommand(QWidget* Parent, int Tag, TFilterDocument& Document);

} // namespace kolvar
