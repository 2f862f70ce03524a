#pragma once
// The gradient editor: colour stops, kind and angle of a working copy of the tool brush, with
// a live preview; "Ok" hands the copy back to the tool brush.

#include "raster/DynamicArray.h"
#include "shell/uFRMDialog.h"

#include <memory>

class QCheckBox;
class QLabel;
class QListWidget;
class QRadioButton;
class QToolButton;

namespace kolvar {

class TDibCanvas;
class TDrawGrid;
class TPaintBox;
class TSpinEdit;

class TfrmGradients : public TfrmDialog {
    Q_OBJECT
public:
    static constexpr int HelpContextNumber = 20013;

    explicit TfrmGradients(QWidget* Parent = nullptr);
    ~TfrmGradients() override;

    TDrawGrid* grdColors() const { return grdColors_; }
    QListWidget* lstColors() const { return lstColors_; }
    QToolButton* sbAddCustom() const { return sbAddCustom_; }
    QToolButton* sbDelete() const { return sbDelete_; }
    QToolButton* sbClear() const { return sbClear_; }
    QRadioButton* rbLinear() const { return rbLinear_; }
    QRadioButton* rbRectangle() const { return rbRectangle_; }
    QRadioButton* rbConic() const { return rbConic_; }
    QCheckBox* chkVerifyConic() const { return chkVerifyConic_; }
    TSpinEdit* seAngle() const { return seAngle_; }
    TPaintBox* pbGradientSample() const { return pbGradientSample_; }
    // The working brush's canvas (its image is the preview).
    const TDibCanvas* Preview() const { return preview_.get(); }
    const TDibColorArray& Stops() const { return stops_; }

    void ChangeOptions();

protected:
    void FormCreate() override;
    void showEvent(QShowEvent* e) override;
    void sbOKClick() override;
    void sbCancelClick() override;

private:
    void AddStop(TColor Color);
    void grdColorsClick();
    void sbAddCustomClick();
    void sbDeleteClick();
    void sbClearClick();

    TDrawGrid* grdColors_ = nullptr;
    QListWidget* lstColors_ = nullptr;
    QToolButton* sbAddCustom_ = nullptr;
    QToolButton* sbDelete_ = nullptr;
    QToolButton* sbClear_ = nullptr;
    QRadioButton* rbLinear_ = nullptr;
    QRadioButton* rbRectangle_ = nullptr;
    QRadioButton* rbConic_ = nullptr;
    QCheckBox* chkVerifyConic_ = nullptr;
    TSpinEdit* seAngle_ = nullptr;
    QLabel* lblAngle_ = nullptr;
    TPaintBox* pbGradientSample_ = nullptr;

    std::unique_ptr<TDibCanvas> preview_;
    TDibColorArray stops_;
    TDibColor color_; // the brush colour at opening
    bool loading_ = true;
};

// Runs the editor on the tool brush; true when the user confirmed.
bool ShowGradientsDialog(QWidget* Parent);

} // namespace kolvar
