#pragma once
// The File New dialog: the size and paper colour of a new image.

#include "raster/DibTypes.h"
#include "shell/uFRMDialog.h"

class QFrame;
class QLabel;
class QSpinBox;

namespace kolvar {

class TfrmDefineFileSize : public TfrmDialog {
    Q_OBJECT
public:
    static constexpr int HelpContextNumber = 20041;

    explicit TfrmDefineFileSize(QWidget* Parent = nullptr);

    QSpinBox* seHeight() const { return FHeight; }
    QSpinBox* seWidth() const { return FWidth; }
    QFrame* shPaperColor() const { return FPaperColor; }
    TColor PaperColor() const { return FColor; }
    void SetPaperColor(TColor Color);
    bool Cancelled() const { return FCancelled; }

    // Opens the colour dialog on the swatch's colour; the swatch takes the chosen one.
    void shPaperColorMouseDown();

protected:
    void sbOKClick() override;
    void sbCancelClick() override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    QSpinBox* FHeight;
    QSpinBox* FWidth;
    QFrame* FPaperColor;
    TColor FColor = 0x00FFFFFF;
    bool FCancelled = false;
};

// Shows the dialog with the shared new-image defaults; Ok stores the new ones. False only when
// the user cancelled.
bool ShowFileSizeDialog(QWidget* Parent = nullptr);

} // namespace kolvar
