#pragma once
// The text dialog of the text tools.

class QWidget;

namespace kolvar {

// Lets the user set the text tools' text and font; true when confirmed.
bool ShowTextDialog(QWidget* Parent);

} // namespace kolvar
