#pragma once
// The Filter menu's commands: a filter dialog with live preview, or a direct command.

class QWidget;

namespace kolvar {

class TFilterDocument;

// Runs the command of the Filter menu item with this Tag on the document.
void ExecuteFilterCommand(QWidget* Parent, int Tag, TFilterDocument& Document);

} // namespace kolvar
