#include "shell/DrawGridWidget.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QTabBar>

namespace kolvar {

TDrawGrid::TDrawGrid(int Cols, int Rows, int CellWidth, int CellHeight, QWidget* Parent)
    : QWidget(Parent), cols_(Cols), rows_(Rows), cellWidth_(CellWidth), cellHeight_(CellHeight) {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, p.color(QPalette::Base));
    setPalette(p);
    Resize();
}

void TDrawGrid::Resize() {
    setFixedSize(cols_ * (cellWidth_ + 1) + 1, rows_ * (cellHeight_ + 1) + 1);
}

void TDrawGrid::SetRowCount(int Rows) {
    rows_ = Rows;
    if (row_ >= rows_) row_ = 0;
    Resize();
    update();
}

void TDrawGrid::SetSelected(int Col, int Row) {
    col_ = Col;
    row_ = Row;
    update();
}

QRect TDrawGrid::CellRect(int Col, int Row) const {
    return QRect(1 + Col * (cellWidth_ + 1), 1 + Row * (cellHeight_ + 1), cellWidth_, cellHeight_);
}

bool TDrawGrid::MouseToCell(const QPoint& Pos, int& Col, int& Row) const {
    if (Pos.x() < 0 || Pos.y() < 0) return false;
    const int c = Pos.x() / (cellWidth_ + 1), r = Pos.y() / (cellHeight_ + 1);
    if (c >= cols_ || r >= rows_) return false;
    Col = c;
    Row = r;
    return true;
}

QColor TDrawGrid::PixelAt(const QPoint& Pos) {
    const QImage image = grab(QRect(Pos, QSize(1, 1))).toImage();
    return image.isNull() ? palette().color(QPalette::Window) : image.pixelColor(0, 0);
}

void TDrawGrid::ClickCell(int Col, int Row, Qt::MouseButton Button) {
    const QPoint at = CellRect(Col, Row).center();
    QMouseEvent press(QEvent::MouseButtonPress, at, mapToGlobal(at), Button, Button,
                      Qt::NoModifier);
    mousePressEvent(&press);
}

void TDrawGrid::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(QPalette::Mid));
    for (int c = 0; c <= cols_; ++c)
        p.drawLine(c * (cellWidth_ + 1), 0, c * (cellWidth_ + 1), height());
    for (int r = 0; r <= rows_; ++r)
        p.drawLine(0, r * (cellHeight_ + 1), width(), r * (cellHeight_ + 1));
    for (int r = 0; r < rows_; ++r)
        for (int c = 0; c < cols_; ++c) {
            const QRect cell = CellRect(c, r);
            p.save();
            p.setClipRect(cell);
            if (OnDrawCell) OnDrawCell(p, c, r, cell);
            p.restore();
        }
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        p.drawRect(CellRect(col_, row_).adjusted(-1, -1, 0, 0));
    }
}

void TDrawGrid::mousePressEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    if (OnMouseDown) OnMouseDown(e->button(), pos);
    int c = 0, r = 0;
    if (e->button() != Qt::LeftButton || !MouseToCell(pos, c, r)) return;
    SetSelected(c, r);
    if (OnClick) OnClick();
}

TPaintBox::TPaintBox(int Width, int Height, QWidget* Parent) : QWidget(Parent) {
    setFixedSize(Width, Height);
}

void TPaintBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (OnPaint) OnPaint(p);
}

void TSpinEdit::SetText(const QString& text) {
    lineEdit()->setText(text);
    emit textChanged(text);
}

int TSpinEdit::IntOr(int fallback) const {
    return TextToIntDef(Text(), fallback);
}

void CompactTabs(QTabWidget& Pages) {
    Pages.setDocumentMode(true);
    QFont small = Pages.font();
    small.setPixelSize(10);
    Pages.tabBar()->setFont(small);
    Pages.tabBar()->setExpanding(false);
    Pages.tabBar()->setUsesScrollButtons(false);
    Pages.setStyleSheet(QStringLiteral(
        "QTabBar::tab { padding: 2px 3px; border: 1px solid palette(mid); border-bottom: none;"
        " background: palette(button); }"
        "QTabBar::tab:selected { background: palette(light); }"
        "QTabBar::tab:!selected { margin-top: 2px; }"));
}

QColor QColorFromColor(uint32_t c) {
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

uint32_t ColorFromQColor(const QColor& c) {
    return uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16);
}

int TextToIntDef(const QString& text, int fallback) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    return ok ? v : fallback;
}

} // namespace kolvar
