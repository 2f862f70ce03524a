// The settings palette, the gradient editor and the texture chooser, driven through their
// real controls on a tool state of their own.

#include "app/uFRMGradients.h"
#include "app/uFRMMain.h"
#include "app/uFRMSettings.h"
#include "app/uFRMTextures.h"
#include "common/ScriptedDialogs.h"
#include "raster/DibColors.h"
#include "raster/DibGraphics.h"
#include "raster/DibGraphicsLineStyles.h"
#include "shell/DrawGridWidget.h"
#include "shell/uKolvarGeneric.h"
#include "shell/uLanguagesSuport.h"
#include "vector/uFRMShapes.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace kolvar;
using kolvar::test::TScriptedDialogs;

namespace {

constexpr TDibColor kRed{0, 0, 255};
constexpr TDibColor kGreen{0, 255, 0};

class Palettes : public testing::Test {
protected:
    void SetUp() override {
        LanguageSuport().Load(QStringLiteral("ENGLISH"));
        state_.ToolCanvas = std::make_unique<TDibCanvas>(40, 50);
        SetToolState(&state_);
        ASSERT_TRUE(home_.isValid());
        qputenv("KOLVAR_HOME", home_.path().toLocal8Bit());
    }
    void TearDown() override {
        SetToolState(nullptr);
        qunsetenv("KOLVAR_HOME");
    }
    TDibBrush& Brush() { return state_.ToolCanvas->Brush(); }
    TDibPen& Pen() { return state_.ToolCanvas->Pen(); }
    void UseGradient(std::initializer_list<TDibColor> colors) {
        TDibColorArray stops;
        for (TDibColor c : colors) stops.Add(c);
        Brush().Gradient().SetColors(stops);
    }

    TToolState state_;
    QTemporaryDir home_;
    TScriptedDialogs dialogs_;
};

QByteArray bmpBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

QImage solidImage(int size, QColor color) {
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

void put32(QByteArray& out, int32_t v) {
    for (int i = 0; i < 4; ++i) out.append(char(uint32_t(v) >> (8 * i)));
}

// A texture library of the given pictures, named tex0, tex1, ...
QByteArray ptl(const QList<QImage>& pictures) {
    QByteArray out;
    put32(out, int32_t(pictures.size()));
    for (int i = 0; i < pictures.size(); ++i) {
        const QByteArray name = "dir\\tex" + QByteArray::number(i);
        put32(out, int32_t(name.size()));
        out += name;
        const QByteArray bmp = bmpBytes(pictures[i]);
        put32(out, int32_t(bmp.size()));
        out += bmp;
    }
    return out;
}

bool samePixels(const QImage& a, const QImage& b) {
    return a.size() == b.size() &&
           a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST_F(Palettes, ColourGridSetsFillAndPenAndReadsEmptyCellsFromTheGrid) {
    TfrmSettings* palette = CreateForm<TfrmSettings>();
    std::unique_ptr<TfrmSettings> owner(palette);
    UseGradient({kRed, kGreen});
    ASSERT_EQ(Brush().Style(), dbGradient);
    Brush().SetPatternStyle(dpTexture);

    palette->GridColors()->ClickCell(0, 0, Qt::LeftButton);
    EXPECT_EQ(Brush().Style(), dbSolid);
    EXPECT_EQ(Brush().PatternStyle(), dpBrush);
    EXPECT_EQ(Brush().Color(), (TDibColor{0, 0, 0}));

    palette->GridColors()->ClickCell(9, 0, Qt::RightButton); // 0x0000ff: red
    EXPECT_EQ(Pen().Color(), kRed);
    EXPECT_EQ(Brush().Color(), (TDibColor{0, 0, 0})) << "the right button leaves the fill";

    palette->GridColors()->ClickCell(3, 4, Qt::MiddleButton);
    EXPECT_EQ(Pen().Color(), kRed);

    // The last two cells show the grid's background, and that is what they give.
    palette->GridColors()->ClickCell(14, 8, Qt::LeftButton);
    const QColor back = palette->GridColors()->palette().color(QPalette::Window);
    EXPECT_EQ(Brush().Color(), DibColorFromColor(ColorFromQColor(back)));
}

TEST_F(Palettes, TransparencySliderWritesLabelBrushAlphaAndPasteLevel) {
    std::unique_ptr<TfrmSettings> palette(CreateForm<TfrmSettings>());
    EXPECT_EQ(palette->lblTransparency()->text(), QStringLiteral("Opaque"));
    palette->SlideTransparency()->setValue(128);
    EXPECT_EQ(palette->lblTransparency()->text(), QStringLiteral("Alpha: 128"));
    EXPECT_EQ(Brush().Alpha(), 127u);
    EXPECT_EQ(state_.PasteTransparency, 128);
    palette->SlideTransparency()->setValue(255);
    EXPECT_EQ(palette->lblTransparency()->text(), QStringLiteral("Transparent"));
    EXPECT_EQ(Brush().Alpha(), 0u);
    palette->SlideTransparency()->setValue(0);
    EXPECT_EQ(palette->lblTransparency()->text(), QStringLiteral("Opaque"));
    EXPECT_EQ(Brush().Alpha(), 255u);
    EXPECT_EQ(state_.PasteTransparency, 0);
}

TEST_F(Palettes, SliderStartsFromTheBrushAlpha) {
    Brush().SetAlpha(55);
    std::unique_ptr<TfrmSettings> palette(CreateForm<TfrmSettings>());
    EXPECT_EQ(palette->SlideTransparency()->value(), 200);
    EXPECT_EQ(state_.PasteTransparency, 200);
}

TEST_F(Palettes, BrushGridSetsSprayAndEraserTogether) {
    std::unique_ptr<TfrmSettings> palette(CreateForm<TfrmSettings>());
    palette->GridBrushes()->ClickCell(3, 1);
    EXPECT_EQ(state_.SpraySize, 9);
    EXPECT_EQ(state_.EraserSize, 9);
    palette->GridBrushes()->ClickCell(1, 0);
    EXPECT_EQ(state_.SpraySize, 3);
    EXPECT_EQ(state_.EraserSize, 3);
}

TEST_F(Palettes, LinePageSetsPatternStyleWidthAndAntiAlias) {
    std::unique_ptr<TfrmSettings> palette(CreateForm<TfrmSettings>());
    EXPECT_EQ(palette->cmbLineStyle()->count(), 29);
    ASSERT_FALSE(palette->LineStrip().isNull());
    EXPECT_EQ(palette->LineStrip().size(), QSize(100, 58));

    palette->rbPattern()->setChecked(true);
    palette->cmbLineStyle()->setCurrentIndex(3);
    palette->seThickness()->SetText(QStringLiteral("5"));
    palette->chkAntiAlias()->setChecked(true);
    EXPECT_EQ(Pen().Pattern(), DibLineStyles[3]);
    EXPECT_EQ(Pen().Style(), dpPattern);
    EXPECT_EQ(Pen().Width(), 5);
    EXPECT_TRUE(Pen().AntiAlias());

    palette->seThickness()->SetText(QStringLiteral("x"));
    EXPECT_EQ(Pen().Width(), 1);
    palette->rbClear()->setChecked(true);
    EXPECT_EQ(Pen().Style(), dpClear);
}

TEST_F(Palettes, CustomSlidersFollowTheToolColoursAndSetThem) {
    Brush().SetColor(TDibColor{30, 20, 10});
    Pen().SetColor(TDibColor{3, 2, 1});
    std::unique_ptr<TfrmSettings> palette(CreateForm<TfrmSettings>());
    palette->pgColors()->setCurrentIndex(1);
    EXPECT_EQ(palette->Slider(0)->value(), 10);
    EXPECT_EQ(palette->Slider(2)->value(), 30);
    EXPECT_EQ(palette->Slider(5)->value(), 3);
    EXPECT_EQ(palette->SliderLabel(1)->text(), QStringLiteral("G : 20"));

    palette->Slider(1)->setValue(200);
    EXPECT_EQ(Brush().Color(), (TDibColor{30, 200, 10}));
    palette->Slider(3)->setValue(255);
    EXPECT_EQ(Pen().Color(), (TDibColor{3, 2, 255}));
    EXPECT_EQ(palette->SliderLabel(3)->text(), QStringLiteral("R : 255"));
}

TEST_F(Palettes, NoFillClearsTheBrush) {
    std::unique_ptr<TfrmSettings> palette(CreateForm<TfrmSettings>());
    palette->sbFillEmpty()->click();
    EXPECT_EQ(Brush().Style(), dbClear);
}

// ---- gradient editor ----

namespace {

// Adds the grid colours at the given cells and confirms.
TScriptedDialogs::TDialogScript pickStops(std::vector<std::pair<int, int>> cells, bool verifyConic,
                                          QRadioButton* (TfrmGradients::*kind)() const,
                                          bool ok = true) {
    return [=](TfrmKolvarWnd& w) {
        auto& d = static_cast<TfrmGradients&>(w);
        d.sbClear()->click();
        (d.*kind)()->setChecked(true);
        d.chkVerifyConic()->setChecked(verifyConic);
        for (auto [c, r] : cells) d.grdColors()->ClickCell(c, r);
        (ok ? d.sbOK() : d.sbCancel())->click();
        return d.ModalResult();
    };
}

std::vector<TDibColor> stops(const TDibBrush& b) {
    std::vector<TDibColor> out;
    for (int32_t i = 0; i < b.Gradient().Stops().Count(); ++i)
        out.push_back(b.Gradient().Stops().Get(i));
    return out;
}

} // namespace

TEST_F(Palettes, ConicGradientClosesOnItselfOnlyWhenVerified) {
    // Cell (9, 0) is red and (10, 0) green.
    dialogs_.Dialogs.push_back(pickStops({{9, 0}, {10, 0}}, true, &TfrmGradients::rbConic));
    ASSERT_TRUE(ShowGradientsDialog(nullptr));
    EXPECT_EQ(stops(Brush()), (std::vector<TDibColor>{kRed, kGreen, kRed}));
    EXPECT_EQ(Brush().Gradient().Kind(), gkConic);
    EXPECT_EQ(Brush().Style(), dbGradient);

    dialogs_.Dialogs.push_back(pickStops({{9, 0}, {10, 0}}, false, &TfrmGradients::rbConic));
    ASSERT_TRUE(ShowGradientsDialog(nullptr));
    EXPECT_EQ(stops(Brush()), (std::vector<TDibColor>{kRed, kGreen}));

    dialogs_.Dialogs.push_back(pickStops({{9, 0}, {10, 0}}, true, &TfrmGradients::rbRectangle));
    ASSERT_TRUE(ShowGradientsDialog(nullptr));
    EXPECT_EQ(stops(Brush()), (std::vector<TDibColor>{kRed, kGreen})) << "only conic closes";
    EXPECT_EQ(Brush().Gradient().Kind(), gkRectangle);
}

TEST_F(Palettes, OneStopPreviewsThatColourButKeepsTheBrushColour) {
    Brush().SetColor(TDibColor{1, 2, 3});
    dialogs_.Dialogs.push_back([](TfrmKolvarWnd& w) {
        auto& d = static_cast<TfrmGradients&>(w);
        d.sbClear()->click();
        d.grdColors()->ClickCell(10, 0);
        EXPECT_EQ(d.Preview()->Brush().Color(), kGreen);
        d.sbOK()->click();
        return d.ModalResult();
    });
    ASSERT_TRUE(ShowGradientsDialog(nullptr));
    EXPECT_EQ(Brush().Color(), (TDibColor{1, 2, 3}));
}

TEST_F(Palettes, GradientEditorStartsFromTheBrushAndCancelChangesNothing) {
    UseGradient({kRed, kGreen});
    Brush().Gradient().SetKind(gkRectangle);
    Brush().SetAngle(44.6);
    dialogs_.Dialogs.push_back([](TfrmKolvarWnd& w) {
        auto& d = static_cast<TfrmGradients&>(w);
        EXPECT_TRUE(d.rbRectangle()->isChecked());
        EXPECT_EQ(d.seAngle()->value(), 45);
        EXPECT_EQ(d.lstColors()->count(), 2);
        EXPECT_EQ(d.lstColors()->item(0)->text(), QString::number(0x0000FF));
        d.sbDelete()->click();
        d.seAngle()->SetText(QStringLiteral("abc"));
        EXPECT_EQ(d.Preview()->Brush().Angle(), 0);
        d.sbCancel()->click();
        return d.ModalResult();
    });
    EXPECT_FALSE(ShowGradientsDialog(nullptr));
    EXPECT_EQ(stops(Brush()), (std::vector<TDibColor>{kRed, kGreen}));
    EXPECT_DOUBLE_EQ(Brush().Angle(), 44.6);
}

TEST_F(Palettes, GradientsButtonOpensTheEditor) {
    std::unique_ptr<TfrmSettings> palette(CreateForm<TfrmSettings>());
    dialogs_.Dialogs.push_back([](TfrmKolvarWnd& w) { return int(mrCancel); });
    palette->sbGradients()->click();
    ASSERT_EQ(dialogs_.Asked.size(), 1u);
    EXPECT_EQ(dialogs_.Asked[0].Text, QStringLiteral("frmGradients"));
}

// ---- texture chooser ----

TEST_F(Palettes, BuiltInTexturesAreTwelveTileablePalettePictures) {
    const int sizes[12] = {80, 96, 72, 96, 96, 91, 96, 96, 96, 100, 108, 96};
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE(i);
        const QImage t = StandardTexture(i);
        ASSERT_EQ(t.size(), QSize(sizes[i], sizes[i]));
        EXPECT_EQ(t.format(), QImage::Format_Indexed8);
        EXPECT_EQ(t.colorCount(), 256);
        // Seamless: stepping across the wrap changes the picture no more than the largest
        // step between neighbouring rows or columns inside it.
        auto step = [&t](int a, int b, bool rows) {
            double sum = 0;
            for (int k = 0; k < t.width(); ++k) {
                const QColor p = rows ? t.pixelColor(k, a) : t.pixelColor(a, k);
                const QColor q = rows ? t.pixelColor(k, b) : t.pixelColor(b, k);
                sum += std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) +
                       std::abs(p.blue() - q.blue());
            }
            return sum / t.width();
        };
        const int w = t.width();
        for (bool rows : {false, true}) {
            double inside = 0;
            for (int x = 0; x < w - 1; ++x) inside = std::max(inside, step(x, x + 1, rows));
            EXPECT_LE(step(w - 1, 0, rows), 1.1 * inside) << (rows ? "rows" : "columns");
        }
    }
    EXPECT_TRUE(StandardTexture(12).isNull());
    EXPECT_TRUE(StandardTexture(-1).isNull());
}

TEST_F(Palettes, StandardCellElevenLoadsTextureTwelveAndOkSetsThePattern) {
    dialogs_.Dialogs.push_back([](TfrmKolvarWnd& w) {
        auto& d = static_cast<TfrmTextures&>(w);
        EXPECT_EQ(d.ComboTextureLib()->count(), 1);
        EXPECT_EQ(d.GridTexture()->RowCount(), 3);
        d.GridTexture()->ClickCell(3, 2);
        EXPECT_EQ(d.Chosen(), 11);
        EXPECT_TRUE(samePixels(d.Texture(), StandardTexture(11)));
        d.seAngle()->SetText(QStringLiteral("30"));
        d.sbOK()->click();
        return d.ModalResult();
    });
    ASSERT_TRUE(ShowTexturesDialog(nullptr));
    EXPECT_EQ(Brush().Style(), dbPattern);
    EXPECT_EQ(Brush().Pattern().Image().Width(), 96);
    EXPECT_DOUBLE_EQ(Brush().Angle(), 30);
}

TEST_F(Palettes, LibraryGridHasRowsForItsTexturesAndEmptyCellsKeepTheTexture) {
    QList<QImage> five;
    for (int i = 0; i < 5; ++i) five << solidImage(8 + i, QColor(40 * i, 0, 0));
    QFile five_(home_.filePath(QStringLiteral("five.ptl")));
    ASSERT_TRUE(five_.open(QIODevice::WriteOnly));
    five_.write(ptl(five));
    five_.close();
    QFile none(home_.filePath(QStringLiteral("none.ptl")));
    ASSERT_TRUE(none.open(QIODevice::WriteOnly));
    none.write(ptl({}));
    none.close();

    dialogs_.Dialogs.push_back([&five](TfrmKolvarWnd& w) {
        auto& d = static_cast<TfrmTextures&>(w);
        EXPECT_EQ(d.ComboTextureLib()->count(), 3);
        d.ComboTextureLib()->setCurrentText(QStringLiteral("five"));
        EXPECT_EQ(d.TextureLib().GetCount(), 5);
        EXPECT_EQ(d.GridTexture()->RowCount(), 2);
        QStringList names;
        d.TextureLib().GetNamesList(names);
        EXPECT_EQ(names.first(), QStringLiteral("tex0")) << "the path part is dropped";
        d.GridTexture()->ClickCell(0, 1);
        EXPECT_TRUE(samePixels(d.Texture(), five[4]));
        d.GridTexture()->ClickCell(2, 1); // cell 6: no texture
        EXPECT_TRUE(samePixels(d.Texture(), five[4]));
        d.ComboTextureLib()->setCurrentText(QStringLiteral("none"));
        EXPECT_EQ(d.TextureLib().GetCount(), 0);
        EXPECT_EQ(d.GridTexture()->RowCount(), 2) << "an empty library keeps the rows";
        d.sbCancel()->click();
        return d.ModalResult();
    });
    EXPECT_FALSE(ShowTexturesDialog(nullptr));
    EXPECT_EQ(Brush().Style(), dbSolid) << "Cancel leaves the tool brush";
    EXPECT_TRUE(dialogs_.Messages().isEmpty());
}

TEST_F(Palettes, LoadTextureReadsABmpAndReportsAnythingElse) {
    const QString good = home_.filePath(QStringLiteral("good.bmp"));
    const QString bad = home_.filePath(QStringLiteral("bad.bmp"));
    solidImage(5, Qt::blue).save(good, "BMP");
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a picture");
    f.close();
    dialogs_.FileNames = {good, bad};
    dialogs_.Dialogs.push_back([](TfrmKolvarWnd& w) {
        auto& d = static_cast<TfrmTextures&>(w);
        d.sbLoadFromFile()->click();
        EXPECT_EQ(d.Texture().size(), QSize(5, 5));
        d.sbLoadFromFile()->click();
        EXPECT_EQ(d.Texture().size(), QSize(5, 5)) << "the previous texture stays";
        d.sbCancel()->click();
        return d.ModalResult();
    });
    ShowTexturesDialog(nullptr);
    ASSERT_EQ(dialogs_.Messages().size(), 1);
    EXPECT_TRUE(dialogs_.Messages()[0].endsWith(QStringLiteral("|Problems to open file: ") + bad));
}

TEST_F(Palettes, BrokenLibraryIsReportedAndKeepsWhatItRead) {
    QByteArray bytes = ptl({solidImage(4, Qt::red), solidImage(4, Qt::green)});
    bytes.chop(10);
    QFile f(home_.filePath(QStringLiteral("cut.ptl")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    dialogs_.Dialogs.push_back([](TfrmKolvarWnd& w) {
        auto& d = static_cast<TfrmTextures&>(w);
        d.ComboTextureLib()->setCurrentText(QStringLiteral("cut"));
        EXPECT_EQ(d.TextureLib().GetCount(), 1);
        EXPECT_EQ(d.GridTexture()->RowCount(), 1);
        d.sbCancel()->click();
        return d.ModalResult();
    });
    ShowTexturesDialog(nullptr);
    EXPECT_EQ(dialogs_.Messages().size(), 1);
}

// ---- the palettes beside the main window ----

TEST_F(Palettes, MainWindowMakesBothPalettesOnFirstShowAndTheyFollowTheLanguage) {
    TfrmKolvar w;
    EXPECT_EQ(w.SettingsPalette(), nullptr);
    w.show();
    TfrmSettings* settings = w.SettingsPalette();
    TfrmShapes* shapes = w.ShapesPalette();
    ASSERT_TRUE(settings && shapes);
    EXPECT_TRUE(settings->isVisible());
    EXPECT_TRUE(shapes->isVisible());
    for (TfrmKolvarWnd* p :
         {static_cast<TfrmKolvarWnd*>(settings), static_cast<TfrmKolvarWnd*>(shapes)}) {
        EXPECT_TRUE(p->RollUp());
        EXPECT_TRUE(p->GripLines());
        EXPECT_TRUE(p->windowFlags().testFlag(Qt::Tool)) << "stays above the documents";
    }
    const QRect desk = w.screen()->availableGeometry();
    const int bottom = desk.bottom() + 1 - w.StatusBar()->height() - 5;
    EXPECT_EQ(settings->x(), desk.right() + 1 - settings->width() - 5);
    EXPECT_EQ(settings->y() + settings->height(), bottom);
    EXPECT_EQ(shapes->x(), desk.right() + 1 - int(std::nearbyint(shapes->width() * 2.04)));
    EXPECT_EQ(shapes->y() + shapes->height(), bottom);
    w.hide();
    w.show();
    EXPECT_EQ(w.SettingsPalette(), settings) << "made once";

    w.SwitchLanguage(QStringLiteral("PORTUGUESE"));
    EXPECT_NE(settings->windowTitle(), QStringLiteral("Settings"));
    EXPECT_EQ(settings->pgColors()->tabText(0), QStringLiteral("Cores"));
    EXPECT_EQ(settings->lblTransparency()->text(), QStringLiteral("Opaco"));
    settings->SlideTransparency()->setValue(128);
    EXPECT_EQ(settings->lblTransparency()->text(), QStringLiteral("Transparente: 128"));
    EXPECT_EQ(shapes->windowTitle(), QStringLiteral("Formas"));
    EXPECT_EQ(shapes->PageControl()->tabText(0), QStringLiteral("Biblioteca"));
    EXPECT_EQ(shapes->ToolButton(0)->toolTip(), QStringLiteral("Ponto"));
    EXPECT_EQ(shapes->lblRegularSides()->text(), QStringLiteral("Lados : 3"));
    w.SwitchLanguage(QStringLiteral("ENGLISH"));
    EXPECT_EQ(shapes->windowTitle(), QStringLiteral("Shapes"));
    EXPECT_EQ(settings->windowTitle(), QStringLiteral("Settings"));

    // The Select button takes the shapes palette's choice; the draw-only buttons go grey.
    w.ToolBarClick(1);
    EXPECT_FALSE(shapes->ToolButton(0)->isEnabled());
    shapes->GridShape()->ClickCell(0, 0);
    EXPECT_TRUE(w.ToolButton(QStringLiteral("sbSelect"))->isChecked());
    EXPECT_EQ(w.Tools().CurrentAction, kActionSelectShape);
    w.ToolBarClick(0);
    EXPECT_TRUE(shapes->ToolButton(0)->isEnabled());
}
