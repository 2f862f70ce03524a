#pragma once
// The Canvas Size dialog: the new width and height of the picture's canvas and where the old
// picture sits on it (a 3 x 3 anchor). New area takes the paper colour; cut parts go.

#include "raster/DibTransforms.h"
#include "shell/uFRMDialog.h"

#include <array>

class QSpinBox;
class QToolButton;

namespace kolvar {

class TfrmCanvasSize : public TfrmDialog {
    Q_OBJECT
public:
    static constexpr int HelpContextNumber = 20002;

    explicit TfrmCanvasSize(QWidget* Parent = nullptr);

    void SetOriginal(int32_t Width, int32_t Height);
    QSpinBox* seWidth() const { return FWidth; }
    QSpinBox* seHeight() const { return FHeight; }
    // sbAnchor0 (top-left) .. sbAnchor8 (bottom-right).
    QToolButton* sbAnchor(int32_t Index) const { return FAnchors[size_t(Index)]; }
    int32_t Anchor() const { return FAnchor; }
    void SetAnchor(int32_t Anchor);
    bool Accepted() const { return FAccepted; }

protected:
    void sbOKClick() override;
    // The width is ready to be typed over.
    void showEvent(QShowEvent* Event) override;

private:
    QSpinBox* FWidth;
    QSpinBox* FHeight;
    std::array<QToolButton*, 9> FAnchors{};
    int32_t FAnchor = caCenter;
    bool FAccepted = false;
};

// Asks for the new canvas of a W x H picture; false when the user cancelled.
bool ShowCanvasSizeDialog(QWidget* Parent, int32_t Width, int32_t Height, int32_t& NewWidth,
                          int32_t& NewHeight, int32_t& Anchor);

} // namespace kolvar
