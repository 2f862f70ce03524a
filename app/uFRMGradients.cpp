#include "app/uFRMGradients.h"

#include "app/DrawGridWidget.h"
#include "app/UserDialogsWidget.h"
#include "app/uFRMSettings.h"
#include "raster/DibColors.h"
#include "raster/DibGraphics.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QToolButton>

#include <cmath>

namespace kolvar {

namespace {

constexpr int kPreviewWidth = 181;
constexpr int kPreviewHeight = 46;

template <class T> T* named(T* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

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
    QWidget* c = Client();
    grdColors_ = named(new TDrawGrid(kGridColorColumns, kGridColorRows, 11, 11, c), "grdColors");
    grdColors_->OnDrawCell = [](QPainter& p, int col, int row, const QRect& r) {
        const int i = row * kGridColorColumns + col;
        if (i < kGridColorCount) p.fillRect(r, QColorFromColor(GridColorTable()[size_t(i)]));
    };
    grdColors_->OnClick = [this] { grdColorsClick(); };
    lstColors_ = named(new QListWidget(c), "lstColors");
    lstColors_->setItemDelegate(new TStopDelegate(lstColors_));
    lstColors_->setFixedWidth(70);
    auto button = [&](const char* name, const char* hint, const char* glyph) {
        auto* b = named(new QToolButton(c), name);
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

    auto* group = named(new QGroupBox(QStringLiteral("Style"), c), "gbGradientStyle");
    rbLinear_ = named(new QRadioButton(QStringLiteral("Linear"), group), "rbLinear");
    rbRectangle_ = named(new QRadioButton(QStringLiteral("Rectangle"), group), "rbRectangle");
    rbConic_ = named(new QRadioButton(QStringLiteral("Conic"), group), "rbConic");
    auto* radios = new QVBoxLayout(group);
    radios->setContentsMargins(6, 2, 6, 2);
    radios->setSpacing(0);
    for (QRadioButton* rb : {rbLinear_, rbRectangle_, rbConic_}) radios->addWidget(rb);
    chkVerifyConic_ =
        named(new QCheckBox(QStringLiteral("verify conic style"), c), "chkVerifyConic");
    chkVerifyConic_->setChecked(true);
    seAngle_ = named(new TSpinEdit(c), "seAngle");
    seAngle_->setRange(-360, 360);
    lblAngle_ = named(new QLabel(QStringLiteral("Angle"), c), "lblAngle");
    pbGradientSample_ = named(new TPaintBox(kPreviewWidth, kPreviewHeight, c), "pbGradientSample");
    pbGradientSample_->OnPaint = [this](QPainter& p) {
        if (preview_) p.drawImage(0, 0, preview_->Container().ToImage());
    };

    auto* buttons = new QHBoxLayout;
    for (QToolButton* b : {sbAddCustom_, sbDelete_, sbClear_}) buttons->addWidget(b);
    auto* angle = new QHBoxLayout;
    angle->addWidget(lblAngle_);
    angle->addWidget(seAngle_);
    auto* layout = new QGridLayout(c);
    layout->setContentsMargins(8, 8, 8, 4);
    layout->addWidget(grdColors_, 0, 0, Qt::AlignTop);
    layout->addWidget(lstColors_, 0, 1);
    layout->addLayout(buttons, 1, 1);
    layout->addWidget(pbGradientSample_, 1, 0, 3, 1, Qt::AlignTop);
    layout->addWidget(group, 0, 2);
    layout->addWidget(chkVerifyConic_, 2, 1, 1, 2);
    layout->addLayout(angle, 1, 2);
    SetClientSize(360, 190);
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
