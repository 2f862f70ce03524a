#include "vector/uFRMText.h"

#include "shell/DrawGridWidget.h"
#include "shell/UserDialogsWidget.h"
#include "shell/uKolvarGeneric.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

namespace kolvar {

namespace {

constexpr int kDefaultFontSize = 8;

} // namespace

TfrmText::TfrmText(QWidget* Parent) : TfrmDialog(Parent) {
    setWindowTitle(QStringLiteral("Text"));
    SetHelpContext(HelpContextNumber);
    QWidget* c = Client();
    edtText_ = Named(new QLineEdit(c), "edtText");
    cmbFontName_ = Named(new QComboBox(c), "cmbFontName");
    cmbFontName_->setEditable(true);
    seFontSize_ = Named(new TSpinEdit(c), "seFontSize");
    seFontSize_->setRange(6, 100);
    seFontSize_->setValue(kDefaultFontSize);
    auto* group = Named(new QGroupBox(QStringLiteral(" Attributes "), c), "gbAttributes");
    chkItalic_ = Named(new QCheckBox(QStringLiteral("Italic"), group), "chkItalic");
    chkBold_ = Named(new QCheckBox(QStringLiteral("Bold"), group), "chkBold");
    chkStrikeOut_ = Named(new QCheckBox(QStringLiteral("StrikeOut"), group), "chkStrikeOut");
    chkUnderline_ = Named(new QCheckBox(QStringLiteral("Underline"), group), "chkUnderline");
    auto* checks = new QVBoxLayout(group);
    checks->setSpacing(0);
    for (QCheckBox* b : {chkItalic_, chkBold_, chkStrikeOut_, chkUnderline_}) checks->addWidget(b);
    PaintBox_ = Named(new TPaintBox(200, 80, c), "PaintBox");
    PaintBox_->OnPaint = [this](QPainter& p) {
        p.fillRect(PaintBox_->rect(), Qt::white);
        p.setFont(PreviewFont());
        p.setPen(Qt::black);
        const QString text = edtText_->text();
        p.drawText(QRect(5, 5, PaintBox_->width() - 5, PaintBox_->height() - 5),
                   Qt::AlignLeft | Qt::AlignTop, text.isEmpty() ? QStringLiteral("Kolvar") : text);
    };
    auto* layout = new QGridLayout(c);
    layout->setContentsMargins(8, 8, 8, 4);
    layout->addWidget(Named(new QLabel(QStringLiteral("Text"), c), "lblText"), 0, 0);
    layout->addWidget(edtText_, 0, 1, 1, 2);
    layout->addWidget(Named(new QLabel(QStringLiteral("Font Name"), c), "lblFontName"), 1, 0);
    layout->addWidget(cmbFontName_, 1, 1, 1, 2);
    layout->addWidget(Named(new QLabel(QStringLiteral("Font Size"), c), "lblFontSize"), 2, 0);
    layout->addWidget(seFontSize_, 2, 1);
    layout->addWidget(group, 3, 0, 1, 1);
    layout->addWidget(PaintBox_, 3, 1, 1, 2);
    SetClientSize(323, 227);
}

void TfrmText::FormCreate() {
    TfrmDialog::FormCreate();
    const TToolState& s = ToolState();
    cmbFontName_->addItems(QFontDatabase::families());
    edtText_->setText(s.ToolText);
    cmbFontName_->setEditText(s.ToolFontName);
    seFontSize_->setValue(s.ToolFontSize);
    chkBold_->setChecked(s.ToolFontStyle.testFlag(fsBold));
    chkItalic_->setChecked(s.ToolFontStyle.testFlag(fsItalic));
    chkStrikeOut_->setChecked(s.ToolFontStyle.testFlag(fsStrikeOut));
    chkUnderline_->setChecked(s.ToolFontStyle.testFlag(fsUnderline));
    connect(edtText_, &QLineEdit::textChanged, this, [this] { TextChange(); });
    connect(cmbFontName_, &QComboBox::currentTextChanged, this, [this] { TextChange(); });
    connect(seFontSize_, &QSpinBox::textChanged, this, [this] { TextChange(); });
    for (QCheckBox* b : {chkItalic_, chkBold_, chkStrikeOut_, chkUnderline_})
        connect(b, &QCheckBox::toggled, this, [this] { TextChange(); });
}

QFont TfrmText::PreviewFont() const {
    QFont font(cmbFontName_->currentText());
    font.setPointSize(seFontSize_->IntOr(kDefaultFontSize));
    font.setBold(chkBold_->isChecked());
    font.setItalic(chkItalic_->isChecked());
    font.setStrikeOut(chkStrikeOut_->isChecked());
    font.setUnderline(chkUnderline_->isChecked());
    return font;
}

void TfrmText::TextChange() {
    PaintBox_->update();
}

bool ShowTextDialog(QWidget* Parent) {
    TfrmText dialog(Parent);
    dialog.EnsureCreated();
    if (UserDialogs().Run(dialog) != mrOk) return false;
    TToolState& s = ToolState();
    s.ToolText = dialog.edtText()->text();
    s.ToolFontName = dialog.cmbFontName()->currentText();
    s.ToolFontSize = dialog.seFontSize()->IntOr(kDefaultFontSize);
    TFontStyles style;
    style.setFlag(fsBold, dialog.chkBold()->isChecked());
    style.setFlag(fsItalic, dialog.chkItalic()->isChecked());
    style.setFlag(fsUnderline, dialog.chkUnderline()->isChecked());
    style.setFlag(fsStrikeOut, dialog.chkStrikeOut()->isChecked());
    s.ToolFontStyle = style;
    return true;
}

} // namespace kolvar
