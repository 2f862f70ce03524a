#pragma once
// The controls the picture-size dialogs (File New, Resize Image, Canvas Size) build alike, and
// their common refusal of a size no picture may have.

#include <QString>

#include <cstdint>

class QLabel;
class QSpinBox;
class QWidget;

namespace kolvar {

QLabel* SizeLabel(QWidget* Parent, const char* Name, const QString& Text);
QSpinBox* SizeEdit(QWidget* Parent, const char* Name, int Min, int Max);

// False, after saying so in a message box captioned like Dialog, when a picture of Width x
// Height may not be made. TooLargeVariable names the dialog's own text in the language file.
bool PictureSizeAccepted(QWidget* Dialog, const char* TooLargeVariable, int64_t Width,
                         int64_t Height);

} // namespace kolvar
