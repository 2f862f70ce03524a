#pragma once
// The print dialog: printer, copies, where the picture lands on the page and how large, with a
// 1 : 35 sketch of the page and a preview. With no printer installed it prints to a PDF file,
// so printing always has somewhere to go.

#include "shell/uFRMDialog.h"

#include <QImage>

#include <memory>

class QCheckBox;
class QFrame;
class QLabel;
class QPrinter;
class QSpinBox;
class QToolButton;

namespace kolvar {

class TDibContainer;

class TfrmPrint : public TfrmDialog {
    Q_OBJECT
public:
    static constexpr int HelpContextNumber = 20045;
    static constexpr int SketchScale = 35;
    // Printer pixels per inch of the PDF output.
    static constexpr int PdfResolution = 600;

    explicit TfrmPrint(const QImage& Picture, QWidget* Parent = nullptr);
    ~TfrmPrint() override;

    QLabel* lblPrinter() const { return FPrinterName; }
    QToolButton* sbSetup() const { return FSetup; }
    QToolButton* sbCenter() const { return FCenter; }
    QToolButton* sbPreview() const { return FPreview; }
    QSpinBox* seCopias() const { return FCopies; }
    QSpinBox* seTop() const { return FTop; }
    QSpinBox* seLeft() const { return FLeft; }
    QSpinBox* seHeight() const { return FHeight; }
    QSpinBox* seWidth() const { return FWidth; }
    QSpinBox* seHeightPercentual() const { return FHeightPercent; }
    QSpinBox* seWidthPercentual() const { return FWidthPercent; }
    QCheckBox* chkProportions() const { return FProportions; }
    QCheckBox* chkAjust() const { return FAdjust; }
    QLabel* lblPageSizeH() const { return FPageH; }
    QLabel* lblPageSizeW() const { return FPageW; }
    QFrame* pnlPaper() const { return FPaper; }
    QFrame* shImage() const { return FImage; }

    QPrinter& Printer() { return *FPrinter; }
    // True when the job becomes a PDF file rather than going to a printer.
    bool PrintsToPdf() const;
    // Sends the job to a PDF file, as when no printer is installed.
    void UsePdfOutput();
    // The printable page in printer pixels.
    QSize PageSize() const;
    // Shows the printer's name and page size again, after the printer changed.
    void RefreshPrinter();
    // The page as it will print, scaled down to fit the preview.
    QImage RenderPage(double Scale) const;
    // Prints every copy; false when the user chose no PDF file or the job failed (which is
    // reported).
    bool PrintPicture();

    void sbSetupClick();
    void sbCenterClick();
    void sbPreviewClick();
    void chkAjustClick();
    void seHeightPercentualChange();
    void seWidthPercentualChange();
    void PositionChange();
    void SizeChange();

protected:
    void FormCreate() override;
    void sbOKClick() override;

private:
    QWidget* BuildSettings(QWidget* Parent);
    QWidget* BuildSketch(QWidget* Parent);
    QRect PrintRect() const;
    void PaintPicture(QPainter& Painter) const;
    bool PrintTo(QPrinter& Printer) const;
    void ConfigurePdf();
    QString PdfFileName();
    bool PrintToPdf(const QString& Target);
    void ApplyPercent(QSpinBox* Changed, QSpinBox* Mirror, QSpinBox* Size, QSpinBox* OtherSize,
                      int Side, int OtherSide);

    QImage FPicture;
    std::unique_ptr<QPrinter> FPrinter;
    QLabel* FPrinterName;
    QToolButton* FSetup;
    QToolButton* FCenter;
    QToolButton* FPreview;
    QSpinBox* FCopies;
    QSpinBox* FTop;
    QSpinBox* FLeft;
    QSpinBox* FHeight;
    QSpinBox* FWidth;
    QSpinBox* FHeightPercent;
    QSpinBox* FWidthPercent;
    QCheckBox* FProportions;
    QCheckBox* FAdjust;
    QLabel* FPageH;
    QLabel* FPageW;
    QFrame* FPaper;
    QFrame* FImage;
};

// Shows the page as it will print; Ok ("Print") asks for the job.
class TfrmPrintPreview : public TfrmDialog {
    Q_OBJECT
public:
    TfrmPrintPreview(const QImage& Page, int Copies, QWidget* Parent = nullptr);
};

void ShowPrintDialog(QWidget* Parent, const TDibContainer& Image);

} // namespace kolvar
