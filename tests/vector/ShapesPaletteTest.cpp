// The shapes palette and the text dialog on a tool state of their own, with the hooks that
// reach the documents recorded.

#include "common/ScriptedDialogs.h"
#include "shell/DrawGridWidget.h"
#include "shell/uKolvarGeneric.h"
#include "shell/uLanguagesSuport.h"
#include "vector/uFRMShapes.h"
#include "vector/uFRMText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

using namespace kolvar;
using kolvar::test::TScriptedDialogs;

namespace {

class ShapesPalette : public testing::Test {
protected:
    void SetUp() override {
        LanguageSuport().Load(QStringLiteral("ENGLISH"));
        ASSERT_TRUE(home_.isValid());
        qputenv("KOLVAR_HOME", home_.path().toLocal8Bit());
        state_.OnCurrentChildsAction = [this](int32_t i) { actions_.push_back(i); };
        state_.OnCurrentChildsShapeDef = [this](const TShapeDef& d) {
            handedOut_.Assign(&d);
            ++shapes_;
        };
        SetToolState(&state_);
    }
    void TearDown() override {
        SetToolState(nullptr);
        qunsetenv("KOLVAR_HOME");
    }
    void WriteFile(const QString& name, const QByteArray& text) {
        QFile f(home_.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    std::unique_ptr<TfrmShapes> Palette() {
        std::unique_ptr<TfrmShapes> p(CreateForm<TfrmShapes>());
        p->OnGroupButton = [this](bool draw, const QIcon& glyph) {
            groups_.push_back(draw);
            EXPECT_FALSE(glyph.isNull());
        };
        return p;
    }

    QTemporaryDir home_;
    TToolState state_;
    TScriptedDialogs dialogs_;
    std::vector<int32_t> actions_;
    std::vector<bool> groups_;
    TShapeDef handedOut_;
    int shapes_ = 0;
};

const QByteArray kLibrary = "lib:mine:\r\n"
                            "Shape:Tri:\r\nKeyPoints:\r\n/KeyPoints:\r\nPolygon:\r\n"
                            "Point:cmValue:-1.00:cmValue:1.00:\r\n"
                            "Point:cmValue:0.00:cmValue:-1.00:\r\n"
                            "Point:cmValue:1.00:cmValue:1.00:\r\n/Polygon:\r\n"
                            "Shape:Bad:\r\nKeyPoints:\r\n/KeyPoints:\r\nPolygon:\r\n"
                            "Point:cmValue:abc:cmValue:1.00:\r\n/Polygon:\r\n";

} // namespace

TEST_F(ShapesPalette, WithoutLibrariesListsTheStandardShapesInTwoOfThreeRows) {
    auto p = Palette();
    ASSERT_EQ(p->cmbLibs()->count(), 1);
    EXPECT_EQ(p->cmbLibs()->itemText(0), QStringLiteral("standard"));
    EXPECT_EQ(p->ShapeNames().size(), 12);
    EXPECT_EQ(p->GridShape()->RowCount(), 3);
    EXPECT_EQ(p->GridShape()->ColCount(), 6);

    // Filled cells show a white outline over the grid's background; empty cells show nothing.
    const QImage grid = p->GridShape()->grab().toImage();
    auto whitePixels = [&grid, &p](int c, int r) {
        const QRect cell = p->GridShape()->CellRect(c, r);
        int n = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                n += grid.pixelColor(x, y) == QColor(Qt::white);
        return n;
    };
    EXPECT_GT(whitePixels(0, 0), 10);
    EXPECT_GT(whitePixels(5, 1), 10);
    EXPECT_EQ(whitePixels(0, 2), 0);
}

TEST_F(ShapesPalette, ShapeCellHandsItsShapeToTheDocumentsAndTheDrawButton) {
    auto p = Palette();
    p->GridShape()->ClickCell(1, 0);
    EXPECT_EQ(state_.CurrentAction, kActionShape);
    EXPECT_EQ(state_.LastDrawAction, kActionShape);
    EXPECT_EQ(actions_, std::vector<int32_t>{kActionShape});
    EXPECT_EQ(shapes_, 1);
    EXPECT_EQ(handedOut_.Points().Count(), 4) << "the second standard shape is the rectangle";
    EXPECT_EQ(groups_, std::vector<bool>{true});

    // A cell of the third row holds nothing; clicking it does nothing.
    p->GridShape()->ClickCell(0, 2);
    EXPECT_EQ(shapes_, 1);

    state_.ShapeGroupAction = kActionSelectShape;
    p->GridShape()->ClickCell(0, 0);
    EXPECT_EQ(state_.CurrentAction, kActionSelectShape);
    EXPECT_EQ(state_.LastSelectAction, kActionSelectShape);
    EXPECT_EQ(groups_.back(), false);
}

TEST_F(ShapesPalette, NovaOfTwentySidesIsAnEightyPointStar) {
    auto p = Palette();
    p->rbStarNova()->click();
    p->sbRegularSides()->setValue(20);
    EXPECT_EQ(p->lblRegularSides()->text(), QStringLiteral("Sides : 20"));
    EXPECT_EQ(p->ShapeDef().Points().Count(), 80);
    EXPECT_EQ(p->ShapeDef().KeyPoints().Count(), 2);
    EXPECT_EQ(handedOut_.Points().Count(), 80);
    EXPECT_EQ(state_.CurrentAction, kActionShape);
    EXPECT_FALSE(p->RegularPreview().isNull());

    p->rdRegular()->click();
    EXPECT_EQ(p->ShapeDef().Points().Count(), 20);
}

TEST_F(ShapesPalette, SidesLabelKeepsItsTranslatedWording) {
    auto p = Palette();
    EXPECT_EQ(p->lblRegularSides()->text(), QStringLiteral("Sides : 3"));
    p->lblRegularSides()->setProperty("caption", QStringLiteral(" Lados : 3"));
    EXPECT_EQ(p->lblRegularSides()->text(), QStringLiteral("Lados : 3"));
    p->sbRegularSides()->setValue(7);
    EXPECT_EQ(p->lblRegularSides()->text(), QStringLiteral("Lados : 7"));
}

TEST_F(ShapesPalette, ToolButtonsChooseTheActionOfTheActiveGroup) {
    auto p = Palette();
    p->ToolButton(4)->click(); // polygon
    EXPECT_EQ(state_.CurrentAction, 3);
    EXPECT_EQ(state_.LastDrawAction, 3);
    state_.ShapeGroupAction = kActionSelectShape;
    p->ToolButton(6)->click(); // polygon curve
    EXPECT_EQ(state_.CurrentAction, 19);
    EXPECT_EQ(state_.LastSelectAction, 19);
    EXPECT_EQ(state_.LastDrawAction, 3);
    EXPECT_EQ(actions_, (std::vector<int32_t>{3, 19}));

    p->SetDrawButtonsEnabled(false);
    EXPECT_FALSE(p->ToolButton(0)->isEnabled());
    EXPECT_FALSE(p->ToolButton(1)->isEnabled());
    EXPECT_TRUE(p->ToolButton(4)->isEnabled());
    EXPECT_TRUE(p->ToolButton(6)->isEnabled());
}

TEST_F(ShapesPalette, PolyTextOutlinesTheText) {
    auto p = Palette();
    p->edtText()->setText(QStringLiteral("Hi"));
    EXPECT_GT(p->ShapeDef().Points().Count(), 4);
    EXPECT_GT(shapes_, 0);
    p->edtText()->setText(QStringLiteral(" "));
    EXPECT_EQ(p->ShapeDef().Points().Count(), 0);
}

TEST_F(ShapesPalette, LibraryFilesAreListedAndTheirFaultsReportedNotThrown) {
    WriteFile(QStringLiteral("mine.psl"), kLibrary);
    WriteFile(QStringLiteral("gone.psl"), kLibrary);
    auto p = Palette();
    ASSERT_EQ(p->cmbLibs()->count(), 3);
    p->cmbLibs()->setCurrentText(QStringLiteral("mine"));
    EXPECT_EQ(p->ShapeNames(), (QStringList{QStringLiteral("Tri"), QStringLiteral("Bad")}));
    EXPECT_EQ(p->GridShape()->RowCount(), 1);
    p->GridShape()->grab(); // paints every cell, the unreadable one included

    p->GridShape()->ClickCell(1, 0);
    EXPECT_EQ(dialogs_.Messages().size(), 1) << "a number that does not convert";
    EXPECT_EQ(shapes_, 0);
    p->GridShape()->ClickCell(0, 0);
    EXPECT_EQ(handedOut_.Points().Count(), 3);

    QFile::remove(home_.filePath(QStringLiteral("gone.psl")));
    p->cmbLibs()->setCurrentText(QStringLiteral("gone"));
    EXPECT_EQ(dialogs_.Messages().size(), 2) << "a library that cannot be read";
    EXPECT_TRUE(p->ShapeNames().isEmpty());
    p->cmbLibs()->setCurrentIndex(0);
    EXPECT_EQ(p->ShapeNames().size(), 12) << "the palette keeps working";
}

// ---- text dialog ----

TEST_F(ShapesPalette, TextDialogOkStoresTextFontSizeAndStyle) {
    dialogs_.Dialogs.push_back([](TfrmKolvarWnd& w) {
        auto& d = static_cast<TfrmText&>(w);
        EXPECT_EQ(d.edtText()->text(), QStringLiteral("Kolvar"));
        EXPECT_EQ(d.cmbFontName()->currentText(), QStringLiteral("Arial"));
        EXPECT_EQ(d.seFontSize()->value(), 8);
        d.edtText()->setText(QStringLiteral("Hello"));
        d.cmbFontName()->setEditText(QStringLiteral("Serif"));
        d.seFontSize()->SetText(QStringLiteral("24"));
        d.chkBold()->setChecked(true);
        d.chkStrikeOut()->setChecked(true);
        EXPECT_TRUE(d.PreviewFont().bold());
        EXPECT_EQ(d.PreviewFont().pointSize(), 24);
        d.sbOK()->click();
        return d.ModalResult();
    });
    EXPECT_TRUE(ShowTextDialog(nullptr));
    EXPECT_EQ(state_.ToolText, QStringLiteral("Hello"));
    EXPECT_EQ(state_.ToolFontName, QStringLiteral("Serif"));
    EXPECT_EQ(state_.ToolFontSize, 24);
    EXPECT_EQ(state_.ToolFontStyle, TFontStyles(fsBold | fsStrikeOut));
}

TEST_F(ShapesPalette, TextDialogCancelChangesNothingAndBadSizeMeansEight) {
    state_.ToolFontStyle = fsItalic | fsUnderline;
    state_.CurrentAction = 4;
    dialogs_.Dialogs.push_back([](TfrmKolvarWnd& w) {
        auto& d = static_cast<TfrmText&>(w);
        EXPECT_TRUE(d.chkItalic()->isChecked());
        EXPECT_TRUE(d.chkUnderline()->isChecked());
        EXPECT_FALSE(d.chkBold()->isChecked());
        d.edtText()->setText(QStringLiteral("changed"));
        d.sbCancel()->click();
        return d.ModalResult();
    });
    EXPECT_FALSE(ShowTextDialog(nullptr));
    EXPECT_EQ(state_.ToolText, QStringLiteral("Kolvar"));
    EXPECT_EQ(state_.ToolFontStyle, TFontStyles(fsItalic | fsUnderline));
    EXPECT_EQ(state_.CurrentAction, 4);

    dialogs_.Dialogs.push_back([](TfrmKolvarWnd& w) {
        auto& d = static_cast<TfrmText&>(w);
        d.seFontSize()->SetText(QStringLiteral("big"));
        EXPECT_EQ(d.PreviewFont().pointSize(), 8);
        d.sbOK()->click();
        return d.ModalResult();
    });
    EXPECT_TRUE(ShowTextDialog(nullptr));
    EXPECT_EQ(state_.ToolFontSize, 8);
}
