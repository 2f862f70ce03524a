#include "filters/uFRMFilterDialogs.h"

#include "filters/GraphicFilterTable.h"
#include "raster/DibMath.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace kolvar {

namespace {

// The English captions of the controls; the language file replaces them by component name.
// A key "dialog.control" wins over the bare control name.
QString ControlCaption(const TFilterInfo& info, const TFilterParam& p) {
    static const QHash<QString, QString> captions = {
        {"SlideBarH", "Hue"},
        {"SlideBarS", "Saturation"},
        {"SlideBarL", "Lightness"},
        {"SlideBarV", "Value"},
        {"frmFilterLAB.SlideBarA", "Green - Red"},
        {"frmFilterLAB.SlideBarB", "Blue - Yellow"},
        {"SlideBarR", "Red"},
        {"SlideBarG", "Green"},
        {"SlideBarB", "Blue"},
        {"SlideBarContrast", "Contrast"},
        {"frmFilterLightness.SlideBar", "Lightness"},
        {"frmFilterLens.SlideBar", "Refraction"},
        {"SlideBar", "Amount"},
        {"rgNoiseMethod", "Noise Method"},
        {"SlideBarVariance", "Variance"},
        {"SlideBarMean", "Mean"},
        {"chkColorNoise", "Color noise"},
        {"rgForm", " Wave Form "},
        {"rgMode", " Edge Mode "},
        {"seAmplitudeX", "Amplitude"},
        {"seAmplitudeY", "Amplitude"},
        {"sePeriodX", "Period"},
        {"sePeriodY", "Period"},
        {"seWaveLength", "Wave Length"},
        {"chkReflective", "Reflective ?"},
        {"chkRegular", "Regular ?"},
        {"chkColor", "Color ?"},
        {"sbRadiusX", "Radius X"},
        {"sbRadiusY", "Radius Y"},
        {"chkHorizontal", "Horizontal ?"},
        {"chkVertical", "Vertical ?"},
        {"rgMethod", " Method "},
    };
    const QString dialog = info.DialogClass.mid(1);
    if (auto it = captions.find(dialog + QLatin1Char('.') + p.Control); it != captions.end())
        return *it;
    if (auto it = captions.find(p.Control); it != captions.end()) return *it;
    // seAzimuth -> "Azimuth", sbTurbulence -> "Turbulence".
    return p.Control.mid(2);
}

// The radio items as the dialog words them, where they say more than the command line's names.
QStringList ChoiceCaptions(const TFilterParam& p) {
    if (p.Control == QLatin1String("rgMethod"))
        return {QStringLiteral("Median  - Reduce Noise"), QStringLiteral("Minimum - Erode"),
                QStringLiteral("Maximum - Dilate")};
    return p.Choices;
}

// The label of a slider or spin edit: "lbl" and the control's name without its prefix, except
// the sliders called SlideBar*, whose labels keep the whole name.
QString LabelName(const TFilterParam& p) {
    if (p.Control == QLatin1String("sbMagnifier")) return QStringLiteral("lblMagnifer");
    if (p.Control.startsWith(QLatin1String("SlideBar"))) return QStringLiteral("lbl") + p.Control;
    return QStringLiteral("lbl") + p.Control.mid(2);
}

// The controls that sit together in a group box of their own: control, box, box caption.
struct TControlGroup {
    const char* Control;
    const char* Box;
    const char* Caption;
};
constexpr TControlGroup ControlGroups[] = {
    {"seAmplitudeX", "gbXAxis", " X Axis "},
    {"sePeriodX", "gbXAxis", " X Axis "},
    {"seAmplitudeY", "gbYAxis", " Y Axis "},
    {"sePeriodY", "gbYAxis", " Y Axis "},
};

// The control starts where the filter does: sliders at the row's initial position, spin edits
// without a conversion at the filter's own default.
int InitialPosition(const TFilterParam& p) {
    if (p.Kind != TFilterParamKind::fpNumber || p.FromPosition) return p.Initial;
    return std::clamp(Round(p.Default), p.Min, p.Max);
}

bool IsSpinEdit(const TFilterParam& p) {
    return p.Control.startsWith(QLatin1String("se"));
}

QLabel* NewLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QSpinBox* NewSpin(QWidget* parent, const QString& name, int min, int max, int value) {
    auto* e = new QSpinBox(parent);
    e->setObjectName(name);
    e->setRange(min, max);
    e->setValue(value);
    return e;
}

void FixClientToContents(TfrmKolvarWnd& w, QLayout& layout) {
    const QSize hint = layout.sizeHint();
    constexpr int buttonStrip = TfrmDialog::kButtonHeight + 10;
    w.SetClientSize(std::max(hint.width(), 280), hint.height() + buttonStrip);
}

} // namespace

// ---- Dialogs built from their table row ----------------------------------------------------

TfrmFilterParams::TfrmFilterParams(const TFilterInfo& Info, TFilterDocument& Document,
                                   QWidget* Parent)
    : TfrmFilterConfig(Info, Document, Parent) {
    auto* grid = new QGridLayout(Client());
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(1, 160);
    FBindings.reserve(Info.Params.size());
    for (const TFilterParam& p : Info.Params)
        if (p.Kind != TFilterParamKind::fpText) AddParam(p, *grid);
    FixClientToContents(*this, *grid);
}

QGridLayout& TfrmFilterParams::GridFor(const TFilterParam& Param, QGridLayout& Main) {
    const auto group =
        std::find_if(std::begin(ControlGroups), std::end(ControlGroups),
                     [&](const TControlGroup& g) { return Param.Control == g.Control; });
    if (group == std::end(ControlGroups)) return Main;
    const QString box = QString::fromLatin1(group->Box);
    for (auto& [name, grid] : FGroups)
        if (name == box) return *grid;
    auto* gb = new QGroupBox(QString::fromLatin1(group->Caption), Client());
    gb->setObjectName(box);
    auto* grid = new QGridLayout(gb);
    grid->setColumnStretch(1, 1);
    Main.addWidget(gb, Main.rowCount(), 0, 1, 3);
    FGroups.emplace_back(box, grid);
    return *grid;
}

void TfrmFilterParams::AddParam(const TFilterParam& Param, QGridLayout& Main) {
    QGridLayout& grid = GridFor(Param, Main);
    QWidget* parent = grid.parentWidget() ? grid.parentWidget() : Client();
    const int row = grid.rowCount();
    const QString caption = ControlCaption(Info(), Param);
    TBinding& b = FBindings.emplace_back();
    b.Param = &Param;
    switch (Param.Kind) {
    case TFilterParamKind::fpChoice: {
        b.Group = new QGroupBox(caption, parent);
        b.Group->setObjectName(Param.Control);
        b.Choices = new QButtonGroup(b.Group);
        auto* column = new QVBoxLayout(b.Group);
        const QStringList items = ChoiceCaptions(Param);
        for (qsizetype i = 0; i < items.size(); ++i) {
            auto* radio = new QRadioButton(items[i], b.Group);
            b.Choices->addButton(radio, int(i));
            column->addWidget(radio);
        }
        b.Choices->button(InitialPosition(Param))->setChecked(true);
        connect(b.Choices, &QButtonGroup::idClicked, this, [this] { ParametersChanged(); });
        grid.addWidget(b.Group, row, 0, 1, 3);
        break;
    }
    case TFilterParamKind::fpFlag:
        b.Check = new QCheckBox(caption, parent);
        b.Check->setObjectName(Param.Control);
        b.Check->setChecked(InitialPosition(Param) != 0);
        connect(b.Check, &QCheckBox::toggled, this, [this] { ParametersChanged(); });
        grid.addWidget(b.Check, row, 0, 1, 3);
        break;
    default:
        grid.addWidget(NewLabel(parent, LabelName(Param), caption), row, 0);
        AddNumber(Param, b, grid, row);
        break;
    }
}

void TfrmFilterParams::AddNumber(const TFilterParam& Param, TBinding& b, QGridLayout& grid,
                                 int row) {
    QWidget* parent = grid.parentWidget() ? grid.parentWidget() : Client();
    if (IsSpinEdit(Param)) {
        b.Spin = NewSpin(parent, Param.Control, Param.Min, Param.Max, InitialPosition(Param));
        connect(b.Spin, &QSpinBox::valueChanged, this, [this] { ParametersChanged(); });
        grid.addWidget(b.Spin, row, 1);
        return;
    }
    b.Slider = new QSlider(Qt::Horizontal, parent);
    b.Slider->setObjectName(Param.Control);
    b.Slider->setRange(Param.Min, Param.Max);
    b.Slider->setValue(InitialPosition(Param));
    auto* readout = new QLabel(QString::number(b.Slider->value()), parent);
    readout->setMinimumWidth(28);
    readout->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(b.Slider, &QSlider::valueChanged, this, [this, readout](int v) {
        readout->setNum(v);
        ParametersChanged();
    });
    grid.addWidget(b.Slider, row, 1);
    grid.addWidget(readout, row, 2);
}

QWidget* TfrmFilterParams::TBinding::Widget() const {
    if (Slider) return Slider;
    if (Spin) return Spin;
    if (Group) return Group;
    return Check;
}

int TfrmFilterParams::TBinding::Position() const {
    if (Slider) return Slider->value();
    if (Spin) return Spin->value();
    if (Choices) return std::max(Choices->checkedId(), 0);
    return Check && Check->isChecked() ? 1 : 0;
}

const TfrmFilterParams::TBinding* TfrmFilterParams::Find(const QString& Name) const {
    for (const TBinding& b : FBindings)
        if (b.Param->Control == Name) return &b;
    return nullptr;
}

QWidget* TfrmFilterParams::Control(const QString& Name) const {
    const TBinding* b = Find(Name);
    return b ? b->Widget() : nullptr;
}

int TfrmFilterParams::Position(const QString& Name) const {
    const TBinding* b = Find(Name);
    return b ? b->Position() : 0;
}

void TfrmFilterParams::SetPosition(const QString& Name, int Value) {
    const TBinding* b = Find(Name);
    if (!b) return;
    if (b->Slider) b->Slider->setValue(Value);
    if (b->Spin) b->Spin->setValue(Value);
    if (b->Check) b->Check->setChecked(Value != 0);
    if (b->Choices) {
        if (QAbstractButton* radio = b->Choices->button(Value)) radio->click();
    }
}

// Every control, in the row's order: a control whose meaning depends on another (Rank's amount
// on its method) comes after it, and controls that share a filter field (Ripple's point, Split
// Blur's radii) all reach it.
void TfrmFilterParams::ApplyControls() {
    TGraphicFilter* filter = Filter();
    if (!filter) return;
    for (const TBinding& b : FBindings) {
        const TFilterParam& p = *b.Param;
        const int position = b.Position();
        p.SetValue(*filter, p.FromPosition ? p.FromPosition(position) : double(position));
    }
}

// ---- Convolution ---------------------------------------------------------------------------

TfrmFilterConvolution::TfrmFilterConvolution(const TFilterInfo& Info, TFilterDocument& Document,
                                             QWidget* Parent)
    : TfrmFilterConfig(Info, Document, Parent) {
    QWidget* c = Client();
    FDefs = new QComboBox(c);
    FDefs->setObjectName(QStringLiteral("cmbDefs"));
    FDefs->setEditable(true);
    FGrid = new QTableWidget(3, 3, c);
    FGrid->setObjectName(QStringLiteral("Grid"));
    FGrid->horizontalHeader()->hide();
    FGrid->verticalHeader()->hide();
    FGrid->horizontalHeader()->setDefaultSectionSize(36);
    FGrid->verticalHeader()->setDefaultSectionSize(21);
    FGrid->setMinimumSize(7 * 36 + 4, 7 * 21 + 4);
    FCols = NewSpin(c, QStringLiteral("seCols"), 1, TConvolutionFilterDef::MaxSize, 3);
    FRows = NewSpin(c, QStringLiteral("seRows"), 1, TConvolutionFilterDef::MaxSize, 3);
    FCols->setSingleStep(2);
    FRows->setSingleStep(2);
    FDivisor = new QLineEdit(QStringLiteral("1.0"), c);
    FDivisor->setObjectName(QStringLiteral("edDivisor"));
    auto* offsets = new QGroupBox(QStringLiteral(" OffSet "), c);
    offsets->setObjectName(QStringLiteral("gbOffSet"));
    auto* offsetGrid = new QGridLayout(offsets);
    FRed = OffsetEdit("seRed");
    FGreen = OffsetEdit("seGreen");
    FBlue = OffsetEdit("seBlue");
    const std::pair<const char*, QSpinBox*> channels[] = {
        {"Red", FRed}, {"Green", FGreen}, {"Blue", FBlue}};
    for (int i = 0; i < 3; ++i) {
        const QString text = QString::fromLatin1(channels[i].first);
        offsetGrid->addWidget(NewLabel(offsets, QStringLiteral("lbl") + text, text), i, 0);
        offsetGrid->addWidget(channels[i].second, i, 1);
    }
    FUpdate = new QPushButton(QStringLiteral("Update"), c);
    FUpdate->setObjectName(QStringLiteral("btnUpdate"));

    auto* grid = new QGridLayout(c);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->addWidget(FDefs, 0, 0, 1, 3);
    grid->addWidget(NewLabel(c, QStringLiteral("lblMatrix"), QStringLiteral("Convolution Matrix")),
                    1, 0, 1, 2);
    grid->addWidget(FGrid, 2, 0, 6, 2);
    grid->addWidget(NewLabel(c, QStringLiteral("lblCols"), QStringLiteral("Cols")), 2, 2);
    grid->addWidget(FCols, 3, 2);
    grid->addWidget(NewLabel(c, QStringLiteral("lblRows"), QStringLiteral("Rows")), 4, 2);
    grid->addWidget(FRows, 5, 2);
    grid->addWidget(NewLabel(c, QStringLiteral("lblDivisor"), QStringLiteral("Divisor")), 6, 2);
    grid->addWidget(FDivisor, 7, 2);
    grid->addWidget(offsets, 8, 0, 1, 2);
    grid->addWidget(FUpdate, 8, 2, Qt::AlignBottom);
    FixClientToContents(*this, *grid);

    connect(FDefs, &QComboBox::currentTextChanged, this, [this] { cmbDefsChange(); });
    connect(FCols, &QSpinBox::valueChanged, this, [this] { MatrixSizeChange(); });
    connect(FRows, &QSpinBox::valueChanged, this, [this] { MatrixSizeChange(); });
    connect(FUpdate, &QPushButton::clicked, this, [this] { btnUpdateClick(); });
}

QSpinBox* TfrmFilterConvolution::OffsetEdit(const char* Name) {
    return NewSpin(Client(), QString::fromLatin1(Name), 0, 255, 0);
}

void TfrmFilterConvolution::FormCreate() {
    TfrmFilterConfig::FormCreate();
    LoadConvolutionDefinitions(FDefinitions);
    const QSignalBlocker quiet(FDefs);
    for (const TConvolutionDefItem& item : FDefinitions) FDefs->addItem(item.Name);
    FDefs->setCurrentIndex(-1);
}

void TfrmFilterConvolution::cmbDefsChange() {
    const TConvolutionFilterDef* def =
        FindConvolutionDefinition(FDefinitions, FDefs->currentText());
    if (!def) return;
    FDivisor->setText(QString::number(def->Divisor(), 'f', 2));
    FRed->setValue(def->Offset().Red);
    FGreen->setValue(def->Offset().Green);
    FBlue->setValue(def->Offset().Blue);
    FRows->setValue(def->Rows());
    FCols->setValue(def->Cols());
    FGrid->setRowCount(def->Rows());
    FGrid->setColumnCount(def->Cols());
    for (int32_t i = 0; i < def->Rows(); ++i)
        for (int32_t j = 0; j < def->Cols(); ++j)
            FGrid->setItem(i, j, new QTableWidgetItem(QString::number(def->Weight(i, j), 'f', 2)));
}

void TfrmFilterConvolution::MatrixSizeChange() {
    FGrid->setRowCount(FRows->value());
    FGrid->setColumnCount(FCols->value());
}

namespace {

double RealOr(const QString& text, double fallback) {
    bool ok = false;
    const double v = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok ? v : fallback;
}

} // namespace

void TfrmFilterConvolution::btnUpdateClick() {
    auto def = std::make_unique<TConvolutionFilterDef>();
    def->SetDivisor(RealOr(FDivisor->text(), 1));
    TDibColor offset;
    offset.Red = uint8_t(FRed->value());
    offset.Green = uint8_t(FGreen->value());
    offset.Blue = uint8_t(FBlue->value());
    def->SetOffset(offset);
    def->SetRows(FGrid->rowCount());
    def->SetCols(FGrid->columnCount());
    for (int32_t i = 0; i < def->Rows(); ++i)
        for (int32_t j = 0; j < def->Cols(); ++j) {
            const QTableWidgetItem* cell = FGrid->item(i, j);
            def->SetWeight(i, j, cell ? RealOr(cell->text(), 0) : 0);
        }
    FPending = std::move(def);
    ParametersChanged();
}

void TfrmFilterConvolution::ApplyControls() {
    auto* filter = dynamic_cast<TConvolutionFilter*>(Filter());
    if (!filter || !FPending) return;
    // One notification, so the kernel is rebuilt once.
    filter->Definition.Assign(*FPending);
    FPending.reset();
}

std::unique_ptr<TfrmFilterConfig> CreateFilterDialog(const TFilterInfo& Info,
                                                     TFilterDocument& Document, QWidget* Parent) {
    if (Info.DialogClass == QLatin1String("TfrmFilterConvolution"))
        return std::make_unique<TfrmFilterConvolution>(Info, Document, Parent);
    return std::make_unique<TfrmFilterParams>(Info, Document, Parent);
}

} // namespace kolvar
