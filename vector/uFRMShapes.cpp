#include "vector/uFRMShapes.h"

#include "raster/Exceptions.h"
#include "shell/DrawGridWidget.h"
#include "shell/UserDialogsWidget.h"
#include "shell/uGlyphColors.h"
#include "shell/uKolvarGeneric.h"
#include "shell/uLanguagesSuport.h"

#include <QApplication>
#include <QBitmap>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace kolvar {

namespace {

constexpr int kCellSize = 25;
constexpr int kGlyphSize = 22;
const QColor kCellKey(0, 128, 0); // drawn behind the cell's shape, shown as the background

struct TToolButtonDef {
    const char* Name;
    int Tag;
    const char* Hint;
};

constexpr std::array<TToolButtonDef, 7> kButtons = {{{"sbDrawPoint", 1, "Point"},
                                                     {"sbDrawPen", 100, "Pen"},
                                                     {"sbDrawLine", 2, "Line"},
                                                     {"sbDrawPolyline", 3, "Polyline"},
                                                     {"sbDrawPolygon", 4, "Polygon"},
                                                     {"sbDrawPolylineCurve", 5, "Polyline curve"},
                                                     {"sbDrawPolygonCurve", 6, "Polygon curve"}}};

// The action of a tool button in the Draw and in the Select group.
std::pair<int32_t, int32_t> buttonActions(int tag) {
    switch (tag) {
    case 1:
        return {0, 0};
    case 2:
        return {1, 1};
    case 3:
        return {2, 2};
    case 4:
        return {3, 13};
    case 5:
        return {15, 15};
    case 6:
        return {14, 19};
    case 100:
        return {7, 7};
    default:
        return {-1, -1};
    }
}

// The preview of a definition on white, white then made transparent.
QImage previewOnWhite(const TShapeDef& def, int width, int height) {
    QImage bitmap(width, height, QImage::Format_RGB32);
    def.DrawPreview(bitmap, 0x00FFFFFF, 0x00000000);
    QImage out = bitmap.convertToFormat(QImage::Format_ARGB32);
    const QRgb white = qRgb(255, 255, 255);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if (line[x] == white) line[x] = 0;
    }
    return out;
}

bool isDrawGroup() {
    return ToolState().ShapeGroupAction == kActionShape;
}

} // namespace

QImage ShapeButtonGlyph(int tag, const TGlyphInk& ink) {
    QImage pm(16, 16, QImage::Format_ARGB32_Premultiplied);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ink.Ink, 1.4));
    const QPolygonF zigzag({QPointF(2, 13), QPointF(6, 4), QPointF(10, 11), QPointF(14, 3)});
    QPainterPath wave(QPointF(2, 12));
    wave.cubicTo(QPointF(4, 0), QPointF(10, 18), QPointF(14, 4));
    switch (tag) {
    case 1:
        p.setBrush(ink.Ink);
        p.drawEllipse(QPointF(8, 8), 1.8, 1.8);
        break;
    case 100:
        p.drawPath([] {
            QPainterPath s(QPointF(2, 10));
            s.cubicTo(QPointF(5, 2), QPointF(7, 15), QPointF(10, 8));
            s.cubicTo(QPointF(12, 4), QPointF(13, 6), QPointF(14, 5));
            return s;
        }());
        break;
    case 2:
        p.drawLine(QPointF(2, 13), QPointF(14, 3));
        break;
    case 3:
        p.drawPolyline(zigzag);
        break;
    case 4:
        p.setBrush(QColor(120, 170, 230));
        p.drawPolygon(QPolygonF({QPointF(2, 12), QPointF(6, 3), QPointF(14, 5), QPointF(11, 14)}));
        break;
    case 5:
        p.drawPath(wave);
        break;
    default:
        p.setBrush(QColor(120, 170, 230));
        wave.closeSubpath();
        p.drawPath(wave);
        break;
    }
    p.end();
    return pm;
}

TSidesLabel::TSidesLabel(QWidget* Parent) : QWidget(Parent) {
    setMinimumHeight(fontMetrics().height());
}

void TSidesLabel::SetCaption(const QString& Text) {
    QString wording = Text.trimmed();
    const int colon = wording.indexOf(QLatin1Char(':'));
    if (colon >= 0) wording = wording.left(colon).trimmed();
    wording_ = wording;
    update();
}

void TSidesLabel::SetSides(int Sides) {
    sides_ = Sides;
    update();
}

QString TSidesLabel::text() const {
    return wording_ + QStringLiteral(" : %1").arg(sides_);
}

void TSidesLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text());
}

TfrmShapes::TfrmShapes(QWidget* Parent) : TfrmKolvarWnd(Parent) {
    setWindowTitle(QStringLiteral("Shapes"));
    SetHelpContext(HelpContextNumber);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    auto* top = new QHBoxLayout;
    top->setSpacing(0);
    top->setContentsMargins(2, 2, 2, 2);
    for (size_t i = 0; i < kButtons.size(); ++i) {
        auto* b = Named(new QToolButton(Client()), kButtons[i].Name);
        b->setToolTip(QString::fromLatin1(kButtons[i].Hint));
        b->setProperty("Tag", kButtons[i].Tag);
        b->setFixedSize(24, 25);
        b->setAutoRaise(true);
        b->setIcon(
            QIcon(QPixmap::fromImage(ShapeButtonGlyph(kButtons[i].Tag, GlyphInk(palette())))));
        const int tag = kButtons[i].Tag;
        connect(b, &QToolButton::clicked, this, [this, tag] { ShapesBottonsClick(tag); });
        buttons_[i] = b;
        top->addWidget(b);
    }
    top->addStretch();
    auto* bevel = new QFrame(Client());
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    pages_ = Named(new QTabWidget(Client()), "pgShapes");
    CompactTabs(*pages_);
    pages_->addTab(BuildLibraryPage(), QStringLiteral("Library"));
    pages_->addTab(BuildPolygonsPage(), QStringLiteral("Special polygons"));
    pages_->addTab(BuildPolyTextPage(), QStringLiteral("PolyText"));
    SetControlHelpContext(pages_, PagesHelpContext);
    SetControlHelpContext(pages_->widget(0), LibraryHelpContext);
    SetControlHelpContext(pages_->widget(1), SpecialPolygonsHelpContext);
    SetControlHelpContext(pages_->widget(2), PolyTextHelpContext);
    auto* layout = new QVBoxLayout(Client());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(top);
    layout->addWidget(bevel);
    layout->addWidget(pages_, 1);
    SetClientSize(kClientWidth, kClientHeight);
}

TfrmShapes::~TfrmShapes() = default;

QWidget* TfrmShapes::BuildLibraryPage() {
    auto* page = Named(new QWidget, "tsLibrary");
    auto* label = Named(new QLabel(QStringLiteral("Librarys"), page), "lblLibrary");
    cmbLibs_ = Named(new QComboBox(page), "cmbLibs");
    GridShape_ = Named(new TDrawGrid(kGridColumns, 1, kCellSize, kCellSize), "GridShape");
    GridShape_->OnDrawCell = [this](QPainter& p, int c, int r, const QRect& rect) {
        GridShapeDrawCell(p, c, r, rect);
    };
    GridShape_->OnClick = [this] { GridShapeClick(); };
    // The cells show white outlines; a dark background makes them readable.
    QPalette dark = GridShape_->palette();
    dark.setColor(QPalette::Window, QColor(58, 66, 82));
    GridShape_->setPalette(dark);
    auto* scroll = new QScrollArea(page);
    scroll->setWidget(GridShape_);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* layout = new QGridLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    layout->addWidget(label, 0, 0);
    layout->addWidget(cmbLibs_, 0, 1);
    layout->addWidget(scroll, 1, 0, 1, 2);
    return page;
}

QWidget* TfrmShapes::BuildPolygonsPage() {
    auto* page = Named(new QWidget, "tsSpecialPolygons");
    auto* group = Named(new QGroupBox(page), "gbPolygonStyle");
    rdRegular_ = Named(new QRadioButton(QStringLiteral("Regular"), group), "rdRegular");
    rbStar_ = Named(new QRadioButton(QStringLiteral("Star"), group), "rbStar");
    rbStarNova_ = Named(new QRadioButton(QStringLiteral("Nova"), group), "rbStarNova");
    rdRegular_->setChecked(true);
    auto* radios = new QVBoxLayout(group);
    radios->setContentsMargins(4, 2, 4, 2);
    for (QRadioButton* rb : {rdRegular_, rbStar_, rbStarNova_}) {
        radios->addWidget(rb);
        connect(rb, &QRadioButton::clicked, this, [this] { sbRegularSidesChange(); });
    }
    lblRegularSides_ = Named(new TSidesLabel(page), "lblRegularSides");
    sbRegularSides_ = Named(new QSlider(Qt::Horizontal, page), "sbRegularSides");
    sbRegularSides_->setRange(3, 20);
    sbRegularSides_->setValue(3);
    connect(sbRegularSides_, &QSlider::valueChanged, this, [this] { sbRegularSidesChange(); });
    pbRegular_ = Named(new TPaintBox(81, 81, page), "pbRegular");
    pbRegular_->OnPaint = [this](QPainter& p) {
        p.fillRect(0, 0, 79, 79, palette().color(QPalette::Window));
        if (!regularPreview_.isNull()) p.drawImage(1, 1, regularPreview_);
    };
    group->setGeometry(4, 2, 100, 80);
    pbRegular_->move(108, 2);
    lblRegularSides_->setGeometry(6, 86, 180, 16);
    sbRegularSides_->setGeometry(4, 104, 184, 20);
    return page;
}

QWidget* TfrmShapes::BuildPolyTextPage() {
    auto* page = Named(new QWidget, "tsPolyText");
    cmbFontName_ = Named(new QComboBox(page), "cmbFontName");
    cmbFontName_->setEditable(true);
    cmbFontName_->setEditText(QStringLiteral("Arial"));
    chkBold_ = Named(new QCheckBox(QStringLiteral("Bold"), page), "chkBold");
    chkItalic_ = Named(new QCheckBox(QStringLiteral("Italic"), page), "chkItalic");
    edtText_ = Named(new QLineEdit(page), "edtText");
    pbTextSample_ = Named(new TPaintBox(183, 45, page), "pbTextSample");
    pbTextSample_->OnPaint = [this](QPainter& p) {
        p.fillRect(0, 0, 182, 44, palette().color(QPalette::Window));
        if (!textPreview_.isNull()) p.drawImage(1, 1, textPreview_);
    };
    auto* layout = new QGridLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    layout->addWidget(Named(new QLabel(QStringLiteral("Font"), page), "lblFont"), 0, 0);
    layout->addWidget(cmbFontName_, 0, 1, 1, 2);
    layout->addWidget(chkBold_, 1, 1);
    layout->addWidget(chkItalic_, 1, 2);
    layout->addWidget(Named(new QLabel(QStringLiteral("Text"), page), "lblText"), 2, 0);
    layout->addWidget(edtText_, 2, 1, 1, 2);
    layout->addWidget(pbTextSample_, 3, 0, 1, 3);
    return page;
}

void TfrmShapes::Translated() {
    // The built-in library is always the first item.
    if (cmbLibs_->count() > 0)
        cmbLibs_->setItemText(0, LanguageMessage(QStringLiteral("standard")));
}

void TfrmShapes::FormCreate() {
    TfrmKolvarWnd::FormCreate();
    SetGripLines(true);
    cmbLibs_->addItem(LanguageMessage(QStringLiteral("standard")));
    QStringList names;
    FindLibraries(QDir(ProgramDirectory()).filePath(QStringLiteral("*.psl")), names);
    cmbLibs_->addItems(names);
    cmbLibs_->setCurrentIndex(0);
    cmbLibsChange();
    connect(cmbLibs_, &QComboBox::currentIndexChanged, this, [this] { cmbLibsChange(); });
    const QString font = cmbFontName_->currentText();
    cmbFontName_->addItems(QFontDatabase::families());
    cmbFontName_->setEditText(font);
    connect(cmbFontName_, &QComboBox::currentTextChanged, this, [this] { PolyTextChange(); });
    connect(chkBold_, &QCheckBox::clicked, this, [this] { PolyTextChange(); });
    connect(chkItalic_, &QCheckBox::clicked, this, [this] { PolyTextChange(); });
    connect(edtText_, &QLineEdit::textChanged, this, [this] { PolyTextChange(); });
}

QString TfrmShapes::LibraryFile(int Item) const {
    return QDir(ProgramDirectory()).filePath(cmbLibs_->itemText(Item) + QStringLiteral(".psl"));
}

void TfrmShapes::ShowError(const QString& Text) {
    UserDialogs().Message(this, windowTitle(), Text, TMessageIcon::Error);
}

void TfrmShapes::cmbLibsChange() {
    const int item = cmbLibs_->currentIndex();
    ShapeNames_.clear();
    try {
        if (item <= 0) {
            LibraryLines_ = StandardLibraryLines();
            ListShapes(LibraryLines_, ShapeNames_);
        } else {
            ListShapesFromFile(LibraryFile(item), ShapeNames_);
        }
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()));
    }
    const int n = int(ShapeNames_.size());
    if (n > 0) GridShape_->SetRowCount(n / 4 + (n % 4 > 0 ? 1 : 0));
    GridShape_->update();
}

QStringList TfrmShapes::CellBlock(int Col, int Row) const {
    const int k = Col + Row * GridShape_->ColCount();
    QStringList block;
    if (k >= ShapeNames_.size()) return block;
    const int item = cmbLibs_->currentIndex();
    if (item <= 0)
        ExtractShape(LibraryLines_, ShapeNames_[k], block);
    else
        ExtractShapeFromFile(LibraryFile(item), ShapeNames_[k], block);
    return block;
}

void TfrmShapes::GridShapeDrawCell(QPainter& Canvas, int Col, int Row, const QRect& Rect) {
    TShapeDef def;
    try {
        const QStringList block = CellBlock(Col, Row);
        if (block.size() < 2) return;
        def.LoadFromStrings(block);
        QImage bitmap(kCellSize, kCellSize, QImage::Format_RGB32);
        def.DrawPreview(bitmap, 0x00008000, 0x00FFFFFF);
        QPixmap cell = QPixmap::fromImage(bitmap);
        cell.setMask(cell.createMaskFromColor(kCellKey, Qt::MaskInColor));
        Canvas.drawPixmap(Rect.topLeft(), cell);
    } catch (const std::exception&) {
        // A shape that cannot be read shows an empty cell; a click reports it.
    }
}

void TfrmShapes::GridShapeClick() {
    try {
        const QStringList block = CellBlock(GridShape_->Col(), GridShape_->Row());
        if (block.size() <= 1) return;
        ShapeDef_.LoadFromStrings(block);
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()));
        return;
    }
    HandOut();
    QImage glyph(kGlyphSize, kGlyphSize, QImage::Format_RGB32);
    ShapeDef_.DrawPreview(glyph, ColorFromQColor(palette().color(QPalette::Button)),
                          ColorFromQColor(GlyphInk(palette()).Ink));
    PressGroupButton(glyph);
}

void TfrmShapes::HandOut() {
    TToolState& s = ToolState();
    s.CurrentAction = s.ShapeGroupAction;
    if (s.OnCurrentChildsAction) s.OnCurrentChildsAction(s.CurrentAction);
    if (s.OnCurrentChildsShapeDef) s.OnCurrentChildsShapeDef(ShapeDef_);
}

void TfrmShapes::PressGroupButton(const QImage& Glyph) {
    TToolState& s = ToolState();
    const bool draw = isDrawGroup();
    if (draw)
        s.LastDrawAction = kActionShape;
    else
        s.LastSelectAction = kActionSelectShape;
    if (OnGroupButton) OnGroupButton(draw, QIcon(QPixmap::fromImage(Glyph)));
}

void TfrmShapes::sbRegularSidesChange() {
    const int sides = sbRegularSides_->value();
    lblRegularSides_->SetSides(sides);
    if (rdRegular_->isChecked())
        MakeRegularPolygon(sides, ShapeDef_);
    else
        MakeStar(sides, rbStarNova_->isChecked(), ShapeDef_);
    HandOut();
    regularPreview_ = previewOnWhite(ShapeDef_, 79, 79);
    pbRegular_->update();

    QImage glyph(kGlyphSize, kGlyphSize, QImage::Format_ARGB32);
    glyph.fill(Qt::transparent);
    QPainter p(&glyph);
    p.setBrush(Qt::NoBrush);
    if (rdRegular_->isChecked()) {
        p.setPen(QColor(0, 255, 0));
        p.drawRect(QRect(QPoint(3, 3), QPoint(17, 18)));
    } else {
        p.setPen(QColor(0, 255, 255));
        p.drawPolygon(QPolygon({QPoint(1, 10), QPoint(8, 8), QPoint(10, 1), QPoint(12, 8),
                                QPoint(19, 10), QPoint(12, 12), QPoint(10, 19), QPoint(8, 12)}));
    }
    p.setPen(GlyphInk(palette()).Ink);
    QFont small = p.font();
    small.setPixelSize(9);
    p.setFont(small);
    p.drawText(QRect(QPoint(3, 3), QPoint(18, 19)), Qt::AlignCenter, QString::number(sides));
    p.end();
    PressGroupButton(glyph);
}

void TfrmShapes::PolyTextChange() {
    const int style = (chkBold_->isChecked() ? 1 : 0) | (chkItalic_->isChecked() ? 2 : 0);
    MakeTextOutline(edtText_->text(), cmbFontName_->currentText(), style, ShapeDef_);
    HandOut();
    textPreview_ = previewOnWhite(ShapeDef_, 182, 44);
    pbTextSample_->update();

    QImage glyph(kGlyphSize, kGlyphSize, QImage::Format_ARGB32);
    glyph.fill(Qt::transparent);
    QPainter p(&glyph);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(19);
    p.setFont(font);
    p.setPen(GlyphInk(palette()).Ink);
    p.drawText(QRect(3, 1, kGlyphSize - 3, kGlyphSize - 1), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("T"));
    p.end();
    PressGroupButton(glyph);
}

void TfrmShapes::ShapesBottonsClick(int Tag) {
    const auto [draw, select] = buttonActions(Tag);
    if (draw < 0) return;
    TToolState& s = ToolState();
    const bool drawGroup = isDrawGroup();
    s.CurrentAction = drawGroup ? draw : select;
    (drawGroup ? s.LastDrawAction : s.LastSelectAction) = s.CurrentAction;
    if (OnGroupButton)
        OnGroupButton(drawGroup,
                      QIcon(QPixmap::fromImage(ShapeButtonGlyph(Tag, GlyphInk(palette())))));
    if (s.OnCurrentChildsAction) s.OnCurrentChildsAction(s.CurrentAction);
}

void TfrmShapes::SetDrawButtonsEnabled(bool Enabled) {
    for (int tag : {1, 100, 2, 3, 5})
        for (QToolButton* b : buttons_)
            if (b->property("Tag").toInt() == tag) b->setEnabled(Enabled);
}

} // namespace kolvar
