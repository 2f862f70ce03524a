#pragma once
// The Resize Image dialog: the new width and height in pixels or per cent of the picture,
// kept in proportion when asked, and the resampling.

#include "raster/DibTransforms.h"
#include "shell/uFRMDialog.h"

class QCheckBox;
class QComboBox;
class QRadioButton;
class QSpinBox;

namespace kolvar {

class TfrmResizeImage : public TfrmDialog {
    Q_OBJECT
public:
    // The document window's help page tells about the Image menu.
    static constexpr int HelpContextNumber = 20002;
    static constexpr int32_t MaxSide = 16384;

    explicit TfrmResizeImage(QWidget* Parent = nullptr);

    // The picture's size, which per cent refers to; the fields start at it.
    void SetOriginal(int32_t Width, int32_t Height);

    QSpinBox* seWidth() const { return FWidth; }
    QSpinBox* seHeight() const { return FHeight; }
    QRadioButton* rbPixels() const { return FPixels; }
    QRadioButton* rbPercent() const { return FPercent; }
    QCheckBox* chkKeepProportions() const { return FKeep; }
    QComboBox* cmbResample() const { return FResample; }

    // The chosen size in pixels.
    int32_t NewWidth() const;
    int32_t NewHeight() const;
    TResample Resample() const;
    bool Accepted() const { return FAccepted; }

protected:
    void sbOKClick() override;
    // The width is ready to be typed over.
    void showEvent(QShowEvent* Event) override;

private:
    void UnitsChanged();
    void WidthChanged();
    void HeightChanged();
    int32_t ToPixels(int32_t Value, int32_t Original) const;

    QSpinBox* FWidth;
    QSpinBox* FHeight;
    QRadioButton* FPixels;
    QRadioButton* FPercent;
    QCheckBox* FKeep;
    QComboBox* FResample;
    int32_t FOriginalW = 1;
    int32_t FOriginalH = 1;
    bool FPercentShown = false;
    bool FSyncing = false;
    bool FAccepted = false;
};

// Asks for the new size of a W x H picture; false when the user cancelled.
bool ShowResizeImageDialog(QWidget* Parent, int32_t Width, int32_t Height, int32_t& NewWidth,
                           int32_t& NewHeight, TResample& Mode);

// True when a picture of W x H may be made: each side 1 to 16384 and no more pixels than a
// picture may be read with. Otherwise the dialog tells the user (its language's text).
bool PictureSizeAllowed(int32_t Width, int32_t Height);

} // namespace kolvar
