#pragma once
// Small controls the palettes and dialogs share: a grid whose owner paints every cell, and a
// spin edit whose raw text the owner reads (so that a text that is not a number can be told
// apart from a number).

#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QWidget>

#include <cstdint>
#include <functional>

namespace kolvar {

// Fixed-size cells separated by one-pixel lines. The grid is exactly as large as its cells;
// put it into a scroll area for a scroll bar.
class TDrawGrid : public QWidget {
    Q_OBJECT
public:
    using TDrawCell = std::function<void(QPainter& Canvas, int Col, int Row, const QRect& Rect)>;
    using TMouseDown = std::function<void(Qt::MouseButton Button, const QPoint& Pos)>;

    TDrawGrid(int Cols, int Rows, int CellWidth, int CellHeight, QWidget* Parent = nullptr);

    int ColCount() const { return cols_; }
    int RowCount() const { return rows_; }
    void SetRowCount(int Rows);
    int Col() const { return col_; }
    int Row() const { return row_; }
    // Selects a cell (it must exist) without calling OnClick.
    void SetSelected(int Col, int Row);

    QRect CellRect(int Col, int Row) const;
    // The cell under a point: false when there is none.
    bool MouseToCell(const QPoint& Pos, int& Col, int& Row) const;
    // The colour the grid shows at a pixel, read back from its own rendering.
    QColor PixelAt(const QPoint& Pos);

    TDrawCell OnDrawCell;
    // Runs on every press, before the selection moves.
    TMouseDown OnMouseDown;
    // Runs after a left press selected a cell.
    std::function<void()> OnClick;

    // What a user's press on the cell does (tests and keyboard-less callers).
    void ClickCell(int Col, int Row, Qt::MouseButton Button = Qt::LeftButton);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    void Resize();

    int cols_, rows_, cellWidth_, cellHeight_;
    int col_ = 0, row_ = 0;
};

// A spin box whose text the owner may read and set as it stands.
class TSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    using QSpinBox::QSpinBox;
    QString Text() const { return lineEdit()->text(); }
    void SetText(const QString& text);
    // The text as a decimal integer, or fallback when it is not one.
    int IntOr(int fallback) const;
};

// A surface its owner paints (the previews).
class TPaintBox : public QWidget {
    Q_OBJECT
public:
    TPaintBox(int Width, int Height, QWidget* Parent = nullptr);
    std::function<void(QPainter& Canvas)> OnPaint;

protected:
    void paintEvent(QPaintEvent* e) override;
};

// Small tabs, so that a palette's pages fit its narrow width.
void CompactTabs(QTabWidget& Pages);

// Gives a control the component name the language texts know it by.
template <class T> T* Named(T* Control, const char* Name) {
    Control->setObjectName(QString::fromLatin1(Name));
    return Control;
}

// A toolkit colour (0x00BBGGRR) as a Qt colour, and back.
QColor QColorFromColor(uint32_t c);
uint32_t ColorFromQColor(const QColor& c);

// A decimal integer, or fallback when the text (trimmed) is not one.
int TextToIntDef(const QString& text, int fallback);

} // namespace kolvar
