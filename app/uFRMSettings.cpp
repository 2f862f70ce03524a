#include "app/uFRMSettings.h"

#include "app/ToolColors.h"

#include "app/uFRMGradients.h"
#include "app/uFRMTextures.h"
#include "raster/DibColors.h"
#include "raster/DibGraphicsLineStyles.h"
#include "resources/uCompactRotines.h"
#include "shell/DrawGridWidget.h"
#include "shell/uKolvarGeneric.h"
#include "shell/uLanguagesSuport.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QSlider>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace kolvar {

namespace {

QSlider* colorSlider(QWidget* parent, const char* name) {
    auto* s = Named(new QSlider(Qt::Horizontal, parent), name);
    s->setRange(0, 255);
    s->setPageStep(25);
    return s;
}

// Shows each line style as its row of the preview strip, stretched to the item's width.
class TLineStyleDelegate : public QStyledItemDelegate {
public:
    TLineStyleDelegate(const QImage& strip, QObject* parent)
        : QStyledItemDelegate(parent), strip_(strip) {}
    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (option.state & QStyle::State_Selected)
            p->fillRect(option.rect, option.palette.highlight());
        else
            p->fillRect(option.rect, option.palette.base());
        DrawLineStyle(*p, strip_, index.row(), option.rect);
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return QSize(100, 16);
    }
    static void DrawLineStyle(QPainter& p, const QImage& strip, int i, const QRect& r) {
        if (strip.isNull() || i < 0) return;
        const int mid = r.top() + r.height() / 2;
        p.drawImage(QRect(r.left(), mid - 2, r.width(), 4), strip, QRect(0, 2 * i, 100, 2));
    }

private:
    const QImage& strip_;
};

// The closed list shows the chosen style the same way.
class TLineStyleCombo : public QComboBox {
public:
    TLineStyleCombo(const QImage& strip, QWidget* parent) : QComboBox(parent), strip_(strip) {}

protected:
    void paintEvent(QPaintEvent* e) override {
        QComboBox::paintEvent(e);
        QPainter p(this);
        const QRect r = rect().adjusted(4, 2, -22, -2);
        TLineStyleDelegate::DrawLineStyle(p, strip_, currentIndex(), r);
    }

private:
    const QImage& strip_;
};

} // namespace

TfrmSettings::TfrmSettings(QWidget* Parent) : TfrmKolvarWnd(Parent) {
    setWindowTitle(QStringLiteral("Settings"));
    SetHelpContext(HelpContextNumber);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    pgColors_ = Named(new QTabWidget(Client()), "pgColors");
    CompactTabs(*pgColors_);
    pgColors_->addTab(BuildColorsPage(), QStringLiteral("Colors"));
    pgColors_->addTab(BuildCustomPage(), QStringLiteral("Customs"));
    pgColors_->addTab(BuildLinePage(), QStringLiteral("Line"));
    pgColors_->addTab(BuildBrushesPage(), QStringLiteral("Brushes"));
    connect(pgColors_, &QTabWidget::currentChanged, this, [this](int i) {
        if (i == 1) tsCustomShow();
    });
    auto* layout = new QVBoxLayout(Client());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pgColors_);
    SetClientSize(kClientWidth, kClientHeight);
}

TfrmSettings::~TfrmSettings() = default;

QWidget* TfrmSettings::BuildColorsPage() {
    auto* page = Named(new QWidget, "tsColors");
    GridColors_ =
        Named(new TDrawGrid(kGridColorColumns, kGridColorRows, 11, 11, page), "GridColors");
    GridColors_->OnDrawCell = [this](QPainter& p, int c, int r, const QRect& rect) {
        GridColorsDrawCell(p, c, r, rect);
    };
    GridColors_->OnMouseDown = [this](Qt::MouseButton b, const QPoint& pos) {
        GridColorsMouseDown(b, pos);
    };
    auto* kinds = new QButtonGroup(page);
    auto option = [&](const char* name, const char* caption, int tag) {
        auto* b = Named(new QToolButton(page), name);
        b->setText(QString::fromLatin1(caption));
        b->setAutoRaise(true);
        b->setProperty("Tag", tag);
        kinds->addButton(b, tag);
        return b;
    };
    sbFillEmpty_ = option("sbFillEmpty", "No Fill", 0);
    sbGradients_ = option("sbGradients", "Gradients", 1);
    sbTextures_ = option("sbTextures", "Textures", 2);
    connect(kinds, &QButtonGroup::idClicked, this, &TfrmSettings::ColorsOptionsClick);
    lblTransparency_ = Named(new QLabel(QStringLiteral("Opaque"), page), "lblTransparency");
    SlideTransparency_ = colorSlider(page, "SlideTransparency");
    connect(SlideTransparency_, &QSlider::valueChanged, this,
            &TfrmSettings::SlideTransparencyChange);

    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(4, 4, 4, 2);
    grid->setSpacing(2);
    grid->addWidget(GridColors_, 0, 0, 1, 3, Qt::AlignHCenter);
    grid->addWidget(sbFillEmpty_, 1, 0);
    grid->addWidget(sbGradients_, 1, 1);
    grid->addWidget(sbTextures_, 1, 2);
    grid->addWidget(lblTransparency_, 2, 0, 1, 3);
    grid->addWidget(SlideTransparency_, 3, 0, 1, 3);
    return page;
}

QWidget* TfrmSettings::BuildCustomPage() {
    auto* page = Named(new QWidget, "tsCustom");
    static const char* const sliderNames[6] = {"SliderBrushRed",  "SliderBrushGreen",
                                               "SliderBrushBlue", "SliderPenRed",
                                               "SliderPenGreen",  "SliderPenBlue"};
    static const char* const labelNames[6] = {"lblSliderBrushRed",  "lblSliderBrushGreen",
                                              "lblSliderBrushBlue", "lblSliderPenRed",
                                              "lblSliderPenGreen",  "lblSliderPenBlue"};
    static const char* const letters[3] = {"R", "G", "B"};
    auto* layout = new QGridLayout(page);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setVerticalSpacing(0);
    layout->addWidget(Named(new QLabel(QStringLiteral("Foreground"), page), "lblForeground"), 0, 0,
                      1, 2);
    layout->addWidget(Named(new QLabel(QStringLiteral("Background"), page), "lblBackground"), 4, 0,
                      1, 2);
    for (int i = 0; i < 6; ++i) {
        sliders_[i] = colorSlider(page, sliderNames[i]);
        sliderLabels_[i] =
            Named(new QLabel(QString::fromLatin1(letters[i % 3]), page), labelNames[i]);
        sliderLabels_[i]->setMinimumWidth(44);
        const int row = 1 + i + (i >= 3 ? 1 : 0);
        layout->addWidget(sliderLabels_[i], row, 0);
        layout->addWidget(sliders_[i], row, 1);
        connect(sliders_[i], &QSlider::valueChanged, this,
                i < 3 ? &TfrmSettings::CustomColorBrushChange
                      : &TfrmSettings::CustomColorPenChange);
    }
    return page;
}

QWidget* TfrmSettings::BuildLinePage() {
    auto* page = Named(new QWidget, "tsLine");
    auto* group = Named(new QGroupBox(QStringLiteral(" Style "), page), "gbLineStyle");
    rbClear_ = Named(new QRadioButton(QStringLiteral("Clear"), group), "rbClear");
    rbSolid_ = Named(new QRadioButton(QStringLiteral("Solid"), group), "rbSolid");
    rbPattern_ = Named(new QRadioButton(QStringLiteral("Pattern"), group), "rbPattern");
    rbSolid_->setChecked(true);
    auto* radios = new QHBoxLayout(group);
    radios->setContentsMargins(2, 0, 2, 0);
    radios->setSpacing(2);
    QFont small = font();
    small.setPixelSize(11);
    for (QRadioButton* rb : {rbClear_, rbSolid_, rbPattern_}) {
        rb->setFont(small);
        radios->addWidget(rb);
        connect(rb, &QRadioButton::toggled, this, [this](bool on) {
            if (on) ChangeLineInfo();
        });
    }
    cmbLineStyle_ = Named(new TLineStyleCombo(strip_, page), "cmbLineStyle");
    cmbLineStyle_->setItemDelegate(new TLineStyleDelegate(strip_, cmbLineStyle_));
    for (int i = 0; i < DibListedLineStyles; ++i) cmbLineStyle_->addItem(QString());
    seThickness_ = Named(new TSpinEdit(page), "seThickness");
    seThickness_->setRange(1, 32);
    chkAntiAlias_ = Named(new QCheckBox(QStringLiteral("AntiAlias"), page), "chkAntiAlias");

    auto* layout = new QGridLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(group, 0, 0, 1, 2);
    layout->addWidget(cmbLineStyle_, 1, 0, 1, 2);
    layout->addWidget(seThickness_, 2, 0);
    layout->addWidget(chkAntiAlias_, 2, 1);
    layout->setRowStretch(3, 1);
    return page;
}

QWidget* TfrmSettings::BuildBrushesPage() {
    auto* page = Named(new QWidget, "tsBrushes");
    GridBrushes_ = Named(new TDrawGrid(4, 2, 40, 40, page), "GridBrushes");
    GridBrushes_->OnDrawCell = [this](QPainter& p, int c, int r, const QRect& rect) {
        GridBrushesDrawCell(p, c, r, rect);
    };
    GridBrushes_->OnClick = [this] { GridBrushesClick(); };
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(GridBrushes_, 0, Qt::AlignHCenter | Qt::AlignTop);
    return page;
}

void TfrmSettings::FormCreate() {
    TfrmKolvarWnd::FormCreate();
    SetGripLines(true);
    strip_ = QImage::fromData(CompressedResourceBytes(QStringLiteral("LINESTYPES")), "BMP");
    // Wiring the line controls last keeps the initial values from rewriting the pen.
    cmbLineStyle_->setCurrentIndex(0);
    seThickness_->setValue(ToolPen().Width());
    SlideTransparency_->setValue(255 - int(ToolBrush().Alpha()));
    SlideTransparencyChange();
    connect(cmbLineStyle_, &QComboBox::currentIndexChanged, this, &TfrmSettings::ChangeLineInfo);
    connect(seThickness_, &QSpinBox::textChanged, this, &TfrmSettings::ChangeLineInfo);
    connect(chkAntiAlias_, &QCheckBox::toggled, this, &TfrmSettings::ChangeLineInfo);
}

void TfrmSettings::closeEvent(QCloseEvent* e) {
    strip_ = QImage();
    TfrmKolvarWnd::closeEvent(e);
}

void TfrmSettings::GridColorsDrawCell(QPainter& Canvas, int Col, int Row, const QRect& Rect) {
    const int i = Row * kGridColorColumns + Col;
    if (i < kGridColorCount) Canvas.fillRect(Rect, QColorFromColor(GridColorTable()[size_t(i)]));
}

void TfrmSettings::GridColorsMouseDown(Qt::MouseButton Button, const QPoint& Pos) {
    int c = 0, r = 0;
    if (!GridColors_->MouseToCell(Pos, c, r)) return;
    // Read back from the grid, so that the empty cells give the colour they show.
    const QRect cell = GridColors_->CellRect(c, r);
    const TColor color = ColorFromQColor(GridColors_->PixelAt(cell.topLeft() + QPoint(1, 1)));
    if (Button == Qt::LeftButton) {
        TDibBrush& brush = ToolBrush();
        brush.SetPatternStyle(dpBrush);
        brush.SetStyle(dbSolid);
        brush.SetColor(DibColorFromColor(color));
    } else if (Button == Qt::RightButton) {
        ToolPen().SetColor(DibColorFromColor(color));
    }
}

void TfrmSettings::ColorsOptionsClick(int Tag) {
    switch (Tag) {
    case 0:
        ToolBrush().SetStyle(dbClear);
        break;
    case 1:
        ShowGradientsDialog(this);
        break;
    case 2:
        ShowTexturesDialog(this);
        break;
    default:
        break;
    }
}

void TfrmSettings::SlideTransparencyChange() {
    const int p = SlideTransparency_->value();
    const TLanguageSuport& lang = LanguageSuport();
    if (p == 0)
        lblTransparency_->setText(lang.GetVariable(QStringLiteral("frmSettings_Opaque")));
    else if (p == 255)
        lblTransparency_->setText(lang.GetVariable(QStringLiteral("frmSettings_Transparent")));
    else
        lblTransparency_->setText(lang.GetVariable(QStringLiteral("frmSettings_Alpha")) +
                                  QStringLiteral(": %1").arg(p));
    ToolBrush().SetAlpha(uint32_t(255 - p));
    ToolState().PasteTransparency = p;
}

static TDibColor sliderColor(const std::array<QSlider*, 6>& s, const std::array<QLabel*, 6>& l,
                             int first) {
    static const char* const formats[3] = {"R : %1", "G : %1", "B : %1"};
    for (int i = 0; i < 3; ++i)
        l[first + i]->setText(QString::fromLatin1(formats[i]).arg(s[first + i]->value()));
    return TDibColor{uint8_t(s[first + 2]->value()), uint8_t(s[first + 1]->value()),
                     uint8_t(s[first]->value())};
}

void TfrmSettings::CustomColorBrushChange() {
    ToolBrush().SetColor(sliderColor(sliders_, sliderLabels_, 0));
}

void TfrmSettings::CustomColorPenChange() {
    ToolPen().SetColor(sliderColor(sliders_, sliderLabels_, 3));
}

void TfrmSettings::tsCustomShow() {
    const TDibColor brush = ToolBrush().Color();
    const TDibColor pen = ToolPen().Color();
    const int values[6] = {brush.Red, brush.Green, brush.Blue, pen.Red, pen.Green, pen.Blue};
    for (int i = 0; i < 6; ++i) {
        sliders_[i]->setValue(values[i]);
        sliders_[i]->update();
    }
    // Positions that did not move fire nothing; the labels still follow the colours.
    sliderColor(sliders_, sliderLabels_, 0);
    sliderColor(sliders_, sliderLabels_, 3);
}

void TfrmSettings::ChangeLineInfo() {
    TDibPen& pen = ToolPen();
    const int style = cmbLineStyle_->currentIndex();
    if (style >= 0 && style < DibListedLineStyles) pen.SetPattern(DibLineStyles[style]);
    if (rbClear_->isChecked())
        pen.SetStyle(dpClear);
    else if (rbSolid_->isChecked())
        pen.SetStyle(dpSolid);
    else if (rbPattern_->isChecked())
        pen.SetStyle(dpPattern);
    pen.SetWidth(seThickness_->IntOr(1));
    pen.SetAntiAlias(chkAntiAlias_->isChecked());
}

void TfrmSettings::GridBrushesDrawCell(QPainter& Canvas, int Col, int Row, const QRect& Rect) {
    TColor color = ColorFromDibColor(ToolBrush().Color());
    if (QColorFromColor(color) == GridBrushes_->palette().color(QPalette::Window)) color = 0;
    const int radius = Col + 4 * Row + 1;
    const QPoint centre(Rect.left() + Rect.width() / 2, Rect.top() + Rect.height() / 2);
    Canvas.setRenderHint(QPainter::Antialiasing);
    Canvas.setPen(Qt::NoPen);
    Canvas.setBrush(QColorFromColor(color));
    Canvas.drawEllipse(centre, radius, radius);
}

void TfrmSettings::GridBrushesClick() {
    TToolState& s = ToolState();
    s.SpraySize = s.EraserSize = 4 * GridBrushes_->Row() + GridBrushes_->Col() + 2;
}

} // namespace kolvar
