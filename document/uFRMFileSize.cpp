#include "document/uFRMFileSize.h"

#include "document/uFRMSizeControls.h"
#include "shell/UserDialogsWidget.h"
#include "shell/uKolvarGeneric.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>

namespace kolvar {

TfrmDefineFileSize::TfrmDefineFileSize(QWidget* Parent) : TfrmDialog(Parent) {
    setObjectName(QStringLiteral("frmDefineFileSize"));
    setWindowTitle(QStringLiteral("File New"));
    SetHelpContext(HelpContextNumber);
    QWidget* c = Client();
    FHeight = SizeEdit(c, "seHeight", 2, 9999);
    FWidth = SizeEdit(c, "seWidth", 2, 9999);
    FPaperColor = new QFrame(c);
    FPaperColor->setObjectName(QStringLiteral("shPaperColor"));
    FPaperColor->setFrameShape(QFrame::Box);
    FPaperColor->setAutoFillBackground(true);
    FPaperColor->setFixedSize(41, 21);
    FPaperColor->setCursor(Qt::PointingHandCursor);
    FPaperColor->installEventFilter(this);

    auto* grid = new QGridLayout(c);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->addWidget(SizeLabel(c, "lblHeight", QStringLiteral("Page Height")), 0, 0);
    grid->addWidget(FHeight, 0, 1);
    grid->addWidget(SizeLabel(c, "lblPixelsH", QStringLiteral("pixels")), 0, 2);
    grid->addWidget(SizeLabel(c, "lblWidth", QStringLiteral("Page Width")), 1, 0);
    grid->addWidget(FWidth, 1, 1);
    grid->addWidget(SizeLabel(c, "lblPixelsW", QStringLiteral("pixels")), 1, 2);
    grid->addWidget(SizeLabel(c, "lblPaperColor", QStringLiteral("Paper Color")), 2, 0);
    grid->addWidget(FPaperColor, 2, 1);
    SetClientSize(224, 122);
    SetPaperColor(FColor);
}

void TfrmDefineFileSize::SetPaperColor(TColor Color) {
    FColor = Color & 0x00FFFFFF;
    QPalette p = FPaperColor->palette();
    p.setColor(QPalette::Window, QColor(FColor & 0xFF, (FColor >> 8) & 0xFF, FColor >> 16));
    FPaperColor->setPalette(p);
}

void TfrmDefineFileSize::shPaperColorMouseDown() {
    TColor chosen = FColor;
    if (UserDialogs().PickColor(this, FColor, chosen)) SetPaperColor(chosen);
}

bool TfrmDefineFileSize::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == FPaperColor && Event->type() == QEvent::MouseButtonPress) {
        shPaperColorMouseDown();
        return true;
    }
    return TfrmDialog::eventFilter(Watched, Event);
}

void TfrmDefineFileSize::sbOKClick() {
    TToolState& tools = ToolState();
    tools.FileHeight = FHeight->value();
    tools.FileWidth = FWidth->value();
    tools.PageColor = FColor;
    TfrmDialog::sbOKClick();
}

void TfrmDefineFileSize::sbCancelClick() {
    FCancelled = true;
    TfrmDialog::sbCancelClick();
}

bool ShowFileSizeDialog(QWidget* Parent) {
    TfrmDefineFileSize dialog(Parent);
    dialog.EnsureCreated();
    const TToolState& tools = ToolState();
    dialog.seHeight()->setValue(tools.FileHeight);
    dialog.seWidth()->setValue(tools.FileWidth);
    dialog.SetPaperColor(tools.PageColor);
    UserDialogs().Run(dialog);
    return !dialog.Cancelled();
}

} // namespace kolvar
