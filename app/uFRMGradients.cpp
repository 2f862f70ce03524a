#include "app/uFRMGradients.h"

#include "app/ToolColors.h"
#include "raster/DibColors.h"
#include "raster/DibGraphics.h"
#include "shell/DrawGridWidget.h"
#include "shell/UserDialogsWidget.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace kolvar {

namespace {

constexpr int kPreviewWidth = 181;
constexpr int kPreviewHeight = 46;

// Each stop's item shows the colour whose decimal toolkit value is its text.
class TStopDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const TColor c = TColor(TextToIntDef(index.data().toString(), 0));
        p->fillRect(option.rect.adjusted(1, 1, -1, -1), QColorFromColor(c));
        if (option.state & QStyle::State_Selected) {
            p->setPen(option.palette.color(QPalette::Highlight));
            p->drawRect(option.rect.adjusted(0, 0, -1, -1));
        }
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return QSize(60, 12);
    }
};

} // namespace

TfrmGradients::TfrmGradients(QWidget* Parent) : TfrmDialog(Parent) {
    setWindowTitle(QStringLiteral("Gradient's options"));
    SetHelpContext(HelpContextNumber);
    QWidget* c = Client();
    grdColors_ = Named(new TDrawGrid(kGridColorColumns, kGridColorRows, 11, 11, c), "grdColors");
    grdColors_->OnDrawCell = [](QPainter& p, int col, int row, const QRect& r) {
        const int i = row * kGridColorColumns + col;
        if (i < kGridColorCount) p.fillRect(r, QColorFromColor(GridColorTable()[size_t(i)]));
    };
    grdColors_->OnClick = [this] { grdColorsClick(); };
    lstColors_ = Named(new QListWidget(c), "lstColors");
    lstColors_->setItemDelegate(new TStopDelegate(lstColors_));
    auto button = [&](const char* name, const char* hint, const char* glyph) {
        auto* b = Named(new QToolButton(c), name);
        b->setToolTip(QString::fromLatin1(hint));
        b->setText(QString::fromUtf8(glyph));
        b->setAutoRaise(true);
        return b;
    };
    sbAddCustom_ = button("sbAddCustom", "Add custom color", "+");
    sbDelete_ = button("sbDelete", "Delete last color", "\u2212");
    sbClear_ = button("sbClear", "Clear colors", "\u00d7");
    connect(sbAddCustom_, &QToolButton::clicked, this, [this] { sbAddCustomClick(); });
    connect(sbDelete_, &QToolButton::clicked, this, [this] { sbDeleteClick(); });
    connect(sbClear_, &QToolButton::clicked, this, [this] { sbClearClick(); });

    auto* group = Named(new QGroupBox(QStringLiteral("Style"), c), "gbGradientStyle");
    rbLinear_ = Named(new QRadioButton(QStringLiteral("Linear"), group), "rbLinear");
    rbRectangle_ = Named(new QRadioButton(QStringLiteral("Rectangle"), group), "rbRectangle");
    rbConic_ = Named(new QRadioButton(QStringLiteral("Conic"), group), "rbConic");
    auto* radios = new QVBoxLayout(group);
    radios->setContentsMargins(6, 2, 6, 2);
    radios->setSpacing(0);
    for (QRadioButton* rb : {rbLinear_, rbRectangle_, rbConic_}) radios->addWidget(rb);
    chkVerifyConic_ =
        Named(new QCheckBox(QStringLiteral("verify conic style"), c), "chkVerifyConic");
    chkVerifyConic_->setChecked(true);
    seAngle_ = Named(new TSpinEdit(c), "seAngle");
    seAngle_->setRange(-360, 360);
    lblAngle_ = Named(new QLabel(QStringLiteral("Angle"), c), "lblAngle");
    pbGradientSample_ = Named(new TPaintBox(kPreviewWidth, kPreviewHeight, c), "pbGradientSample");
    pbGradientSample_->OnPaint = [this](QPainter& p) {
        if (preview_) p.drawImage(0, 0, preview_->Container().ToImage());
    };

    // Fixed places: the grid and its stop list side by side, the preview under the grid.
    grdColors_->move(8, 8);
    lstColors_->setGeometry(196, 8, 70, grdColors_->height());
    int x = 196;
    for (QToolButton* b : {sbAddCustom_, sbDelete_, sbClear_}) {
        b->setGeometry(x, 122, 22, 22);
        x += 24;
    }
    pbGradientSample_->move(8, 124);
    group->setGeometry(276, 4, 118, 80);
    chkVerifyConic_->setGeometry(276, 88, 124, 20);
    lblAngle_->setGeometry(276, 124, 40, 22);
    seAngle_->setGeometry(320, 122, 64, 22);
    SetClientSize(402, 178);
}

TfrmGradients::~TfrmGradients() = default;

void TfrmGradients::FormCreate() {
    TfrmDialog::FormCreate();
    const TDibBrush& tool = ToolBrush();
    preview_ = std::make_unique<TDibCanvas>(kPreviewWidth, kPreviewHeight);
    preview_->Brush().Assign(&tool);
    color_ = tool.Color();
    stops_.Assign(tool.Gradient().Stops());
    seAngle_->setValue(int(std::nearbyint(tool.Angle())));
    switch (tool.Gradient().Kind()) {
    case gkLinear:
        rbLinear_->setChecked(true);
        break;
    case gkRectangle:
        rbRectangle_->setChecked(true);
        break;
    case gkConic:
        rbConic_->setChecked(true);
        break;
    default:
        break;
    }
    for (int32_t i = 0; i < stops_.Count(); ++i)
        lstColors_->addItem(QString::number(ColorFromDibColor(stops_.Get(i))));
    for (QRadioButton* rb : {rbLinear_, rbRectangle_, rbConic_})
        connect(rb, &QRadioButton::toggled, this, [this](bool on) {
            if (on) ChangeOptions();
        });
    connect(chkVerifyConic_, &QCheckBox::toggled, this, [this] { ChangeOptions(); });
    connect(seAngle_, &QSpinBox::textChanged, this, [this] { ChangeOptions(); });
    loading_ = false;
}

void TfrmGradients::showEvent(QShowEvent* e) {
    TfrmDialog::showEvent(e);
    ChangeOptions();
}

void TfrmGradients::AddStop(TColor Color) {
    stops_.Add(DibColorFromColor(Color));
    lstColors_->addItem(QString::number(Color));
    ChangeOptions();
}

void TfrmGradients::grdColorsClick() {
    const int i = grdColors_->Row() * kGridColorColumns + grdColors_->Col();
    if (i < kGridColorCount) AddStop(GridColorTable()[size_t(i)]);
}

void TfrmGradients::sbAddCustomClick() {
    TColor chosen = 0;
    if (UserDialogs().PickColor(this, ColorFromDibColor(color_), chosen)) AddStop(chosen);
}

void TfrmGradients::sbDeleteClick() {
    if (stops_.Count() == 0) return;
    stops_.Delete(stops_.Count() - 1);
    delete lstColors_->takeItem(lstColors_->count() - 1);
    ChangeOptions();
}

void TfrmGradients::sbClearClick() {
    stops_.Clear();
    lstColors_->clear();
    ChangeOptions();
}

void TfrmGradients::ChangeOptions() {
    if (loading_ || !preview_) return;
    TDibBrush& brush = preview_->Brush();
    if (stops_.Count() < 2) {
        if (stops_.Count() == 1) brush.SetColor(stops_.Get(0));
    } else {
        // A conic gradient closes on itself when it ends on the colour it starts with.
        if (rbConic_->isChecked() && chkVerifyConic_->isChecked() &&
            !(stops_.Get(0) == stops_.Get(stops_.Count() - 1))) {
            const TDibColor first = stops_.Get(0);
            stops_.Add(first);
            lstColors_->addItem(QString::number(ColorFromDibColor(first)));
        }
        brush.Gradient().SetColors(stops_);
    }
    if (rbLinear_->isChecked())
        brush.Gradient().SetKind(gkLinear);
    else if (rbRectangle_->isChecked())
        brush.Gradient().SetKind(gkRectangle);
    else if (rbConic_->isChecked())
        brush.Gradient().SetKind(gkConic);
    brush.SetAngle(seAngle_->IntOr(0));
    preview_->FillRect(TRect{0, 0, kPreviewWidth, kPreviewHeight});
    pbGradientSample_->update();
}

void TfrmGradients::sbOKClick() {
    ChangeOptions();
    if (preview_) {
        TDibBrush& tool = ToolBrush();
        tool.Assign(&preview_->Brush());
        tool.SetColor(color_);
    }
    preview_.reset();
    TfrmDialog::sbOKClick();
}

void TfrmGradients::sbCancelClick() {
    preview_.reset();
    TfrmDialog::sbCancelClick();
}

bool ShowGradientsDialog(QWidget* Parent) {
    TfrmGradients dialog(Parent);
    dialog.EnsureCreated();
    return UserDialogs().Run(dialog) == mrOk;
}

} // namespace kolvar
