#include "app/uFRMMain.h"
#include "common/ScriptedDialogs.h"
#include "document/uFRMDesigner.h"
#include "raster/DibColors.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kolvar;
using kolvar::test::TScriptedDialogs;

namespace {

// A main window on a fresh program directory, shown at a size that holds its documents.
class DocumentWindow : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        qputenv("KOLVAR_HOME", home_.path().toLocal8Bit());
        main_ = std::make_unique<TfrmKolvar>();
        main_->resize(1000, 800);
        main_->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        for (TfrmDesigner* d : main_->Documents()) d->SetModified(false);
        main_.reset();
        qunsetenv("KOLVAR_HOME");
    }
    TfrmDesigner* NewImage() {
        dialogs_.Dialogs.push_back([](TfrmKolvarWnd&) { return mrOk; });
        main_->FileOptionsClick(0);
        return main_->ActiveDocument();
    }

    QTemporaryDir home_;
    TScriptedDialogs dialogs_;
    std::unique_ptr<TfrmKolvar> main_;
};

} // namespace

TEST_F(DocumentWindow, NewImageIsImage1WhiteAtTheDefaultSizeAndViewedAtZoomOne) {
    TfrmDesigner* doc = NewImage();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("Image1"));
    EXPECT_EQ(doc->Image().Width(), 200);
    EXPECT_EQ(doc->Image().Height(), 200);
    EXPECT_EQ(doc->Image().GetPixel(17, 123), clDibWhite);
    EXPECT_FALSE(doc->Modified());
    QApplication::processEvents();
    EXPECT_EQ(doc->Designer().size(), QSize(200, 200));
    EXPECT_EQ(doc->ViewProjector().Scale().X, 1.0);
    const TPoint2D origin = doc->ViewProjector().WorldToScreen(0, 0);
    EXPECT_EQ(origin.X, 0.0);
    EXPECT_EQ(origin.Y, 0.0);
    EXPECT_FALSE(doc->ScrollHrz()->isVisibleTo(doc));
}
