#pragma once
// The drawing settings palette: the fill colour, pen colour, transparency and fill kind of the
// tool brush, the pen's line style, thickness and anti-aliasing, and the size of the spray and
// the eraser. Every change goes straight to the tool canvas; the palette keeps no settings.

#include "raster/DibTypes.h"
#include "shell/uFRMKolvarWnd.h"

#include <QImage>

#include <array>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;
class QSlider;
class QTabWidget;
class QToolButton;

namespace kolvar {

class TDrawGrid;
class TSpinEdit;
class TDibBrush;
class TDibPen;

class TfrmSettings : public TfrmKolvarWnd {
    Q_OBJECT
public:
    static constexpr int HelpContextNumber = 20003;
    static constexpr int kClientWidth = 196;
    static constexpr int kClientHeight = 190;

    explicit TfrmSettings(QWidget* Parent = nullptr);
    ~TfrmSettings() override;

    QTabWidget* pgColors() const { return pgColors_; }
    TDrawGrid* GridColors() const { return GridColors_; }
    TDrawGrid* GridBrushes() const { return GridBrushes_; }
    QToolButton* sbFillEmpty() const { return sbFillEmpty_; }
    QToolButton* sbGradients() const { return sbGradients_; }
    QToolButton* sbTextures() const { return sbTextures_; }
    QLabel* lblTransparency() const { return lblTransparency_; }
    QSlider* SlideTransparency() const { return SlideTransparency_; }
    // Red, green, blue; brush (foreground) then pen (background).
    QSlider* Slider(int Index) const { return sliders_[Index]; }
    QLabel* SliderLabel(int Index) const { return sliderLabels_[Index]; }
    QRadioButton* rbClear() const { return rbClear_; }
    QRadioButton* rbSolid() const { return rbSolid_; }
    QRadioButton* rbPattern() const { return rbPattern_; }
    QComboBox* cmbLineStyle() const { return cmbLineStyle_; }
    TSpinEdit* seThickness() const { return seThickness_; }
    QCheckBox* chkAntiAlias() const { return chkAntiAlias_; }
    const QImage& LineStrip() const { return strip_; }

    // The handlers, public so that the main window and tests can drive them as a user would.
    void ColorsOptionsClick(int Tag);
    void GridColorsMouseDown(Qt::MouseButton Button, const QPoint& Pos);
    void SlideTransparencyChange();
    void CustomColorBrushChange();
    void CustomColorPenChange();
    void ChangeLineInfo();
    void GridBrushesClick();
    void tsCustomShow();

protected:
    void FormCreate() override;
    void closeEvent(QCloseEvent* e) override;

private:
    QWidget* BuildColorsPage();
    QWidget* BuildCustomPage();
    QWidget* BuildLinePage();
    QWidget* BuildBrushesPage();
    void GridColorsDrawCell(QPainter& Canvas, int Col, int Row, const QRect& Rect);
    void GridBrushesDrawCell(QPainter& Canvas, int Col, int Row, const QRect& Rect);

    QTabWidget* pgColors_ = nullptr;
    TDrawGrid* GridColors_ = nullptr;
    TDrawGrid* GridBrushes_ = nullptr;
    QToolButton* sbFillEmpty_ = nullptr;
    QToolButton* sbGradients_ = nullptr;
    QToolButton* sbTextures_ = nullptr;
    QLabel* lblTransparency_ = nullptr;
    QSlider* SlideTransparency_ = nullptr;
    std::array<QSlider*, 6> sliders_{};
    std::array<QLabel*, 6> sliderLabels_{};
    QRadioButton* rbClear_ = nullptr;
    QRadioButton* rbSolid_ = nullptr;
    QRadioButton* rbPattern_ = nullptr;
    QComboBox* cmbLineStyle_ = nullptr;
    TSpinEdit* seThickness_ = nullptr;
    QCheckBox* chkAntiAlias_ = nullptr;
    QImage strip_; // the LINESTYPES preview strip
};

} // namespace kolvar
