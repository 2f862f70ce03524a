#pragma once
// The texture chooser: a texture from the built-in set, from a texture library beside the
// program or from a picture file, with an angle, for a working copy of the tool brush; "Ok"
// hands the copy back to the tool brush.

#include "app/TextureLib.h"
#include "shell/uFRMDialog.h"

#include <QImage>

#include <memory>

class QComboBox;
class QLabel;
class QToolButton;

namespace kolvar {

class TDibCanvas;
class TDrawGrid;
class TPaintBox;
class TSpinEdit;

// The built-in textures: index 0 to 11 is the resource TEXTURE1 to TEXTURE12.
constexpr int kStandardTextureCount = 12;
QImage StandardTexture(int Index);

class TfrmTextures : public TfrmDialog {
    Q_OBJECT
public:
    static constexpr int HelpContextNumber = 20014;
    static constexpr int kColumns = 4;
    static constexpr int kPreviewSize = 60;

    explicit TfrmTextures(QWidget* Parent = nullptr);
    ~TfrmTextures() override;

    QComboBox* ComboTextureLib() const { return ComboTextureLib_; }
    TDrawGrid* GridTexture() const { return GridTexture_; }
    TPaintBox* pbTextureSample() const { return pbTextureSample_; }
    QToolButton* sbLoadFromFile() const { return sbLoadFromFile_; }
    TSpinEdit* seAngle() const { return seAngle_; }
    const TTextureLib& TextureLib() const { return TextureLib_; }
    const QImage& Texture() const { return texture_; }
    int Chosen() const { return chosen_; }
    const TDibCanvas* Preview() const { return preview_.get(); }

    void ComboTextureLibChange();
    void sbLoadFromFileClick();

protected:
    void FormCreate() override;
    void sbOKClick() override;

private:
    bool IsStandard() const;
    void GridTextureDrawCell(QPainter& Canvas, int Col, int Row, const QRect& Rect);
    void GridTextureClick();
    void ShowTexture();
    void seAngleChange();

    QComboBox* ComboTextureLib_ = nullptr;
    QLabel* lblTextureLibrary_ = nullptr;
    TDrawGrid* GridTexture_ = nullptr;
    TPaintBox* pbTextureSample_ = nullptr;
    QToolButton* sbLoadFromFile_ = nullptr;
    TSpinEdit* seAngle_ = nullptr;
    QLabel* lblAngle_ = nullptr;
    TTextureLib TextureLib_;

    QImage texture_;
    std::unique_ptr<TDibCanvas> preview_;
    int chosen_ = 0;
    bool loading_ = true;
};

// Runs the chooser on the tool brush; true when the user confirmed.
bool ShowTexturesDialog(QWidget* Parent);

} // namespace kolvar
