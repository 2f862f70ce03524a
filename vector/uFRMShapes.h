#pragma once
// The shapes palette: what the draw and select tools produce (a plain tool, a shape of a shape
// library, a regular polygon or star, or the outline of a text). Every choice goes to all open
// documents through the tool state's hooks, and to the main window's Draw or Select button.

#include "shell/uFRMKolvarWnd.h"
#include "vector/ShapeDef.h"

#include "shell/uGlyphColors.h"

#include <QIcon>
#include <QImage>
#include <QStringList>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;
class QTabWidget;
class QToolButton;

namespace kolvar {

class TDrawGrid;
class TPaintBox;

// The label of the number of sides: its caption (which a translation sets) is the wording, and
// it shows that wording followed by " : " and the number.
class TSidesLabel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString caption READ Caption WRITE SetCaption)
public:
    explicit TSidesLabel(QWidget* Parent = nullptr);
    QString Caption() const { return wording_; }
    // Keeps the text before any ':' of Text, trimmed.
    void SetCaption(const QString& Text);
    void SetSides(int Sides);
    QString text() const;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QString wording_ = QStringLiteral("Sides");
    int sides_ = 3;
};

// The glyph of a tool button of the palette (Tag 1 point .. 6 polygon curve, 100 pen) on a
// transparent 16 x 16 image, drawn in ink.
QImage ShapeButtonGlyph(int Tag, const TGlyphInk& ink);

class TfrmShapes : public TfrmKolvarWnd {
    Q_OBJECT
public:
    // The palette's page, and those of its page control and of each of its pages.
    static constexpr int HelpContextNumber = 20004;
    static constexpr int PagesHelpContext = 20005;
    static constexpr int LibraryHelpContext = 20005;
    static constexpr int SpecialPolygonsHelpContext = 20006;
    static constexpr int PolyTextHelpContext = 20008;
    static constexpr int kClientWidth = 196;
    static constexpr int kClientHeight = 190;
    static constexpr int kGridColumns = 6;

    explicit TfrmShapes(QWidget* Parent = nullptr);
    ~TfrmShapes() override;

    // How the palette presses the main window's Draw (true) or Select button and gives it a
    // glyph. Unassigned, the palette only changes the tool state.
    std::function<void(bool DrawGroup, const QIcon& Glyph)> OnGroupButton;

    // The seven tool buttons, in the order point, pen, line, polyline, polygon, polyline
    // curve, polygon curve.
    QToolButton* ToolButton(int Index) const { return buttons_[size_t(Index)]; }
    QTabWidget* PageControl() const { return pages_; }
    QComboBox* cmbLibs() const { return cmbLibs_; }
    TDrawGrid* GridShape() const { return GridShape_; }
    QRadioButton* rdRegular() const { return rdRegular_; }
    QRadioButton* rbStar() const { return rbStar_; }
    QRadioButton* rbStarNova() const { return rbStarNova_; }
    TSidesLabel* lblRegularSides() const { return lblRegularSides_; }
    QSlider* sbRegularSides() const { return sbRegularSides_; }
    QComboBox* cmbFontName() const { return cmbFontName_; }
    QCheckBox* chkBold() const { return chkBold_; }
    QCheckBox* chkItalic() const { return chkItalic_; }
    QLineEdit* edtText() const { return edtText_; }
    const QStringList& ShapeNames() const { return ShapeNames_; }
    const TShapeDef& ShapeDef() const { return ShapeDef_; }
    const QImage& RegularPreview() const { return regularPreview_; }
    const QImage& TextPreview() const { return textPreview_; }

    // The Draw and Select groups: the select tools have no point, pen, line, polyline or
    // polyline-curve form.
    void SetDrawButtonsEnabled(bool Enabled);

    void cmbLibsChange();
    void GridShapeClick();
    void sbRegularSidesChange();
    void PolyTextChange();
    void ShapesBottonsClick(int Tag);

protected:
    void FormCreate() override;
    void Translated() override;

private:
    QWidget* BuildLibraryPage();
    QWidget* BuildPolygonsPage();
    QWidget* BuildPolyTextPage();
    QString LibraryFile(int Item) const;
    // The library block of the shape in a grid cell; empty when the cell holds none.
    QStringList CellBlock(int Col, int Row) const;
    void GridShapeDrawCell(QPainter& Canvas, int Col, int Row, const QRect& Rect);
    void HandOut();
    void PressGroupButton(const QImage& Glyph);
    void ShowError(const QString& Text);

    std::array<QToolButton*, 7> buttons_{};
    QTabWidget* pages_ = nullptr;
    QComboBox* cmbLibs_ = nullptr;
    TDrawGrid* GridShape_ = nullptr;
    QRadioButton* rdRegular_ = nullptr;
    QRadioButton* rbStar_ = nullptr;
    QRadioButton* rbStarNova_ = nullptr;
    TSidesLabel* lblRegularSides_ = nullptr;
    QSlider* sbRegularSides_ = nullptr;
    TPaintBox* pbRegular_ = nullptr;
    QComboBox* cmbFontName_ = nullptr;
    QCheckBox* chkBold_ = nullptr;
    QCheckBox* chkItalic_ = nullptr;
    QLineEdit* edtText_ = nullptr;
    TPaintBox* pbTextSample_ = nullptr;

    QStringList LibraryLines_;
    QStringList ShapeNames_;
    TShapeDef ShapeDef_;
    QImage regularPreview_, textPreview_;
};

} // namespace kolvar
