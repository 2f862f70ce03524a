#pragma once
// The help viewer: the program's HTML help pages with a contents page and a search box.

class QWidget;

namespace kolvar {

// Opens the viewer at the contents page.
void ShowHelpContents(QWidget* Parent);
// Opens the viewer with the search box focused.
void ShowHelpSearch(QWidget* Parent);
// Opens the page of a window's help context number (the contents page for an unknown one).
void ShowHelpContext(QWidget* Parent, int Context);

} // namespace kolvar
