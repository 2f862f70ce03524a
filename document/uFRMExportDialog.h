#pragma once
// The export dialog: the image written as JPEG, TIFF, PCX or PNG.

class QWidget;

namespace kolvar {

class TDibContainer;

void ShowExportDialog(QWidget* Parent, const TDibContainer& Image);

} // namespace kolvar
