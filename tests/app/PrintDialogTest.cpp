// The print dialog: its size and position arithmetic, the page sketch, and real jobs printed to
// PDF files that pdfinfo counts and pdftoppm rasterises.

#include "app/uFRMPrint.h"

#include "common/ScriptedDialogs.h"
#include "raster/DibContainer.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace kolvar;

namespace {

constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kBlue = 0xFF0000FF;

// Left half red, right half blue: a mirrored or cropped print shows.
QImage TwoHalves(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, x < w / 2 ? kRed : kBlue);
    return img;
}

QString RunTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(20000)) << program.toStdString() << " (poppler-utils) is needed";
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

// The bounding box of the pixels of one colour (allowing for anti-aliased edges).
QRect FindColour(const QImage& page, QRgb colour) {
    QRect box;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QRgb p = page.pixel(x, y);
            if (std::abs(qRed(p) - qRed(colour)) < 40 &&
                std::abs(qGreen(p) - qGreen(colour)) < 40 &&
                std::abs(qBlue(p) - qBlue(colour)) < 40)
                box |= QRect(x, y, 1, 1);
        }
    return box;
}

class PrintDialog : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    // A dialog for picture that prints to a PDF file even where printers are installed.
    std::unique_ptr<TfrmPrint> Open(const QImage& picture) {
        auto d = std::make_unique<TfrmPrint>(picture);
        d->EnsureCreated();
        if (!d->PrintsToPdf()) d->UsePdfOutput();
        return d;
    }
    QString Pdf() const { return dir_.filePath(QStringLiteral("page.pdf")); }
    QStringList Files() const {
        return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir dir_;
    test::TScriptedDialogs dialogs_;
};

} // namespace

TEST_F(PrintDialog, OpensOnThePictureAndTheSketchFollowsAtOneTo35) {
    auto d = Open(TwoHalves(640, 480));
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Print Dialog"));
    EXPECT_EQ(d->sbOK()->text(), QStringLiteral("Print"));
    EXPECT_EQ(d->lblPrinter()->text(), QStringLiteral("PDF file"));
    EXPECT_EQ(d->seCopias()->value(), 1);
    EXPECT_EQ(d->seHeight()->value(), 480);
    EXPECT_EQ(d->seWidth()->value(), 640);
    EXPECT_EQ(d->seHeightPercentual()->value(), 100);
    EXPECT_TRUE(d->chkProportions()->isChecked());

    const QSize page = d->PageSize();
    // The page of a PDF is the whole sheet, measured in whole points.
    const QSizeF points = d->Printer().pageLayout().fullRect(QPageLayout::Point).size();
    EXPECT_NEAR(page.width(), points.width() * TfrmPrint::PdfResolution / 72, 1);
    EXPECT_NEAR(page.height(), points.height() * TfrmPrint::PdfResolution / 72, 1);
    EXPECT_EQ(d->lblPageSizeH()->text(), QString::number(page.height()));
    EXPECT_EQ(d->lblPageSizeW()->text(), QString::number(page.width()));
    EXPECT_EQ(d->pnlPaper()->size(), QSize(page.width() / 35, page.height() / 35));
    EXPECT_EQ(d->shImage()->geometry(), QRect(0, 0, 640 / 35, 480 / 35));

    d->seTop()->setValue(70);
    d->seLeft()->setValue(35);
    EXPECT_EQ(d->shImage()->pos(), QPoint(1, 2));
    d->seLeft()->setValue(34);
    EXPECT_EQ(d->shImage()->pos(), QPoint(0, 2)) << "the sketch truncates";
    d->seWidth()->setValue(3500);
    EXPECT_EQ(d->shImage()->width(), 100);
}

TEST_F(PrintDialog, PercentSetsSizesRoundingHalvesToEvenAndFollowsTheConstraint) {
    auto d = Open(TwoHalves(101, 203));
    d->seHeightPercentual()->setValue(50);
    EXPECT_EQ(d->seHeight()->value(), 102) << "101.5 goes to the even 102";
    EXPECT_EQ(d->seWidthPercentual()->value(), 50);
    EXPECT_EQ(d->seWidth()->value(), 50) << "50.5 goes to the even 50";
    d->seWidthPercentual()->setValue(300);
    EXPECT_EQ(d->seWidth()->value(), 303);
    EXPECT_EQ(d->seHeight()->value(), 609);
    EXPECT_EQ(d->seHeightPercentual()->value(), 300);

    d->chkProportions()->setChecked(false);
    d->seWidthPercentual()->setValue(10);
    EXPECT_EQ(d->seWidth()->value(), 10);
    EXPECT_EQ(d->seHeight()->value(), 609) << "unconstrained, the height stays";
    EXPECT_EQ(d->seHeightPercentual()->value(), 300);
    d->seWidthPercentual()->setValue(1);
    EXPECT_EQ(d->seWidth()->value(), 1) << "never below one pixel";

    auto wide = Open(TwoHalves(12000, 3));
    EXPECT_EQ(wide->seWidth()->value(), 12000) << "a picture wider than 9999 keeps its size";
}

TEST_F(PrintDialog, AdjustToThePageThenCenterUsesThePicturesOwnSize) {
    auto d = Open(TwoHalves(640, 480));
    const QSize page = d->PageSize();
    d->seTop()->setValue(500);
    d->seLeft()->setValue(400);
    d->chkAjust()->click();
    EXPECT_EQ(d->seWidth()->value(), page.width());
    EXPECT_EQ(d->seHeight()->value(), page.height());
    EXPECT_EQ(d->seTop()->value(), 0);
    EXPECT_EQ(d->seLeft()->value(), 0);
    d->sbCenter()->click();
    EXPECT_EQ(d->seTop()->value(), (page.height() - 480) / 2);
    EXPECT_EQ(d->seLeft()->value(), (page.width() - 640) / 2);
    EXPECT_EQ(d->seWidth()->value(), page.width()) << "Center keeps the print size";
    d->seTop()->setValue(9);
    d->chkAjust()->click(); // unchecking adjusts as well
    EXPECT_FALSE(d->chkAjust()->isChecked());
    EXPECT_EQ(d->seTop()->value(), 0);
}

TEST_F(PrintDialog, SetupTakesTheNewPageAndHandsCopiesToTheDialog) {
    auto d = Open(TwoHalves(64, 48));
    const QString before = d->lblPageSizeH()->text();
    // The set-up dialog changes the printer it is given; here the test does it for the user.
    d->Printer().setPageSize(QPageSize(QPageSize::A5));
    d->Printer().setCopyCount(4);
    dialogs_.Answers = {false, true};
    d->sbSetup()->click();
    EXPECT_EQ(d->lblPageSizeH()->text(), before) << "a cancelled set-up changes nothing";
    d->sbSetup()->click();
    const QSize a5 = d->PageSize();
    EXPECT_NEAR(a5.height(), 595.0 * TfrmPrint::PdfResolution / 72, 1) << "A5 is 595 points high";
    EXPECT_EQ(d->lblPageSizeH()->text(), QString::number(a5.height()));
    EXPECT_EQ(d->pnlPaper()->height(), a5.height() / 35);
    EXPECT_EQ(d->seCopias()->value(), 4);
    EXPECT_EQ(d->Printer().copyCount(), 1) << "copies are not multiplied by the printer";
}

TEST_F(PrintDialog, ThreeCopiesFromTheFileMenuPathGiveAThreePagePdf) {
    TDibContainer image;
    image.Assign(TwoHalves(64, 48));
    dialogs_.FileNames.push_back(Pdf());
    dialogs_.Dialogs.push_back([](TfrmKolvarWnd& w) {
        auto& d = dynamic_cast<TfrmPrint&>(w);
        if (!d.PrintsToPdf()) d.UsePdfOutput();
        d.seCopias()->setValue(3);
        d.sbOK()->click();
        return d.ModalResult();
    });
    ShowPrintDialog(nullptr, image);
    ASSERT_TRUE(dialogs_.Dialogs.empty());
    EXPECT_TRUE(dialogs_.Messages().isEmpty()) << dialogs_.Messages().join(';').toStdString();
    const QString info = RunTool(QStringLiteral("pdfinfo"), {Pdf()});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\n"))))
        << info.toStdString();
    EXPECT_EQ(Files(), QStringList{QStringLiteral("page.pdf")}) << "no temporary file is left";
}

TEST_F(PrintDialog, PictureLandsAtTheChosenPositionAndSizeOnTheSheet) {
    auto d = Open(TwoHalves(100, 50));
    d->seLeft()->setValue(600); // one inch
    d->seTop()->setValue(300);
    d->chkProportions()->setChecked(false);
    d->seWidth()->setValue(1200);
    d->seHeight()->setValue(900);
    dialogs_.FileNames.push_back(Pdf());
    d->sbOK()->click();
    EXPECT_EQ(d->ModalResult(), mrOk);

    const QString info = RunTool(QStringLiteral("pdfinfo"), {Pdf()});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))));
    const QSizeF points = QSizeF(d->PageSize()) * 72.0 / TfrmPrint::PdfResolution;
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts")).match(info);
    ASSERT_TRUE(size.hasMatch()) << info.toStdString();
    EXPECT_NEAR(size.captured(1).toDouble(), points.width(), 1.0);
    EXPECT_NEAR(size.captured(2).toDouble(), points.height(), 1.0);

    // At 60 dots per inch one printer pixel is a tenth of a raster pixel.
    const QString stem = dir_.filePath(QStringLiteral("raster"));
    RunTool(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QStringLiteral("60"), QStringLiteral("-png"),
             QStringLiteral("-singlefile"), Pdf(), stem});
    const QImage page(stem + QStringLiteral(".png"));
    ASSERT_FALSE(page.isNull());
    EXPECT_NEAR(page.width(), d->PageSize().width() / 10.0, 1);
    const QRect red = FindColour(page, kRed);
    const QRect blue = FindColour(page, kBlue);
    EXPECT_NEAR(red.left(), 60, 1);
    EXPECT_NEAR(red.top(), 30, 1);
    EXPECT_NEAR(red.right(), 119, 1);
    EXPECT_NEAR(red.bottom(), 119, 1);
    EXPECT_NEAR(blue.left(), 120, 3) << "the rasteriser blends where red meets blue";
    EXPECT_NEAR(blue.right(), 179, 1);
    EXPECT_NEAR(blue.bottom(), 119, 1);
}

TEST_F(PrintDialog, PreviewShowsThePageAndPrintsFromItOrReturns) {
    auto d = Open(TwoHalves(100, 50));
    d->seLeft()->setValue(600);
    d->seTop()->setValue(300);
    const QImage small = d->RenderPage(0.1);
    EXPECT_EQ(small.width(), int(d->PageSize().width() * 0.1));
    EXPECT_EQ(FindColour(small, kRed), QRect(60, 30, 5, 5));
    EXPECT_EQ(small.pixel(2, 2), 0xFFFFFFFFu) << "the sheet is white";

    dialogs_.Dialogs.push_back([](TfrmKolvarWnd& w) {
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Print Preview"));
        return int(mrCancel);
    });
    dialogs_.Dialogs.push_back([](TfrmKolvarWnd&) { return int(mrOk); });
    dialogs_.FileNames.push_back(Pdf());
    d->sbPreview()->click();
    EXPECT_TRUE(Files().isEmpty()) << "closing the preview prints nothing";
    d->sbPreview()->click();
    EXPECT_EQ(Files(), QStringList{QStringLiteral("page.pdf")});
}

TEST_F(PrintDialog, NoPdfNameKeepsTheDialogOpenAndAFailedJobIsReported) {
    auto d = Open(TwoHalves(10, 10));
    dialogs_.FileNames = {QString(), dir_.filePath(QStringLiteral("missing/page.pdf"))};
    d->sbOK()->click();
    EXPECT_EQ(d->ModalResult(), mrNone) << "no name chosen: back in the dialog";
    EXPECT_TRUE(dialogs_.Messages().isEmpty());
    d->sbOK()->click();
    EXPECT_EQ(d->ModalResult(), mrNone);
    EXPECT_EQ(dialogs_.Messages(),
              QStringList{QStringLiteral("Print Error|Could not print to PDF file.")});
    EXPECT_TRUE(Files().isEmpty());
}
