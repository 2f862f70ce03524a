#include "shell/uFRMKolvarWnd.h"
#include "shell/uGlyphColors.h"

#include "shell/uLanguagesSuportWidget.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWindow>
#include <qdrawutil.h>

#include <cmath>

namespace kolvar {

namespace {
THelpOpener gHelpOpener = nullptr;
}

void SetHelpOpener(THelpOpener opener) {
    gHelpOpener = opener;
}

namespace {

// The client area starts below the caption and the separating strip's first three rows.
constexpr int kClientTop = TfrmKolvarWnd::kCaptionHeight + 3;

QFont captionFont(const QWidget& w) {
    QFont f = w.font();
    f.setBold(true);
    return f;
}

// "kolvar::TfrmShapes" -> "frmShapes": a form's component name is its class name without T.
QString nameFromClass(const QMetaObject* meta) {
    QString name = QString::fromLatin1(meta->className());
    name = name.mid(name.lastIndexOf(QLatin1Char(':')) + 1);
    if (name.startsWith(QLatin1Char('T'))) name.remove(0, 1);
    return name;
}

const char* const kHelpContextProperty = "kolvarHelpContext";

bool IsHelpKey(const QKeyEvent& e) {
    return e.key() == Qt::Key_F1 && e.modifiers() == Qt::NoModifier;
}

} // namespace

TfrmKolvarWnd::TfrmKolvarWnd(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {
    setAutoFillBackground(true);
    layout_ = new QVBoxLayout(this);
    layout_->setSpacing(0);
    layout_->setContentsMargins(0, 0, 0, 0);
    frame_ = new QWidget(this);
    layout_->addWidget(frame_);
    client_ = frame_;
    resize(kDesignClientWidth, kDesignClientHeight);
}

TfrmKolvarWnd::~TfrmKolvarWnd() {
    if (modalLoop_) modalLoop_->quit();
}

void TfrmKolvarWnd::SetClientSize(int width, int height) {
    clientSize_ = QSize(width, height);
    fittedSize_ = QSize();
    ApplyFixedSize();
}

void TfrmKolvarWnd::SetRollUp(bool on) {
    if (on == rollUp_) return;
    if (!on && rolledUp_) ToggleRollUp();
    rollUp_ = on;
    UpdateFrame();
}

void TfrmKolvarWnd::SetGripLines(bool on) {
    if (on == gripLines_) return;
    gripLines_ = on;
    UpdateFrame();
}

bool TfrmKolvarWnd::HasCaptionBar() const {
    return isWindow() && (rollUp_ || gripLines_);
}

void TfrmKolvarWnd::UpdateFrame() {
    const bool bar = HasCaptionBar();
    if (isWindow() && bar != windowFlags().testFlag(Qt::FramelessWindowHint)) {
        const bool wasVisible = isVisible();
        setWindowFlag(Qt::FramelessWindowHint, bar);
        if (wasVisible) show();
    }
    layout_->setContentsMargins(bar ? QMargins(kFrameWidth, kClientTop, kFrameWidth, kFrameHeight)
                                    : QMargins());
    ApplyFixedSize();
    update();
}

void TfrmKolvarWnd::ApplyFixedSize() {
    if (!clientSize_.isValid() || rolledUp_) return;
    const QSize room = fittedSize_.isValid() ? fittedSize_ : clientSize_;
    const QMargins m = layout_->contentsMargins();
    setFixedSize(room.width() + m.left() + m.right(), room.height() + m.top() + m.bottom());
}

void TfrmKolvarWnd::FitToTexts() {
    // A window keeps its design size unless a text of the current language would be cut
    // there; then it takes the room its layout asks for.
    fitPending_ = false;
    fittedSize_ = QSize();
    QLayout* inner = frame_->layout();
    if (!clientSize_.isValid() || rolledUp_ || !inner) return;
    ApplyFixedSize();
    // New texts change the size hints, which layouts hear of only through posted events; the
    // cached hints are dropped and every layout placed now, hidden pages included, so that
    // each control has the size it will show with.
    const QList<QWidget*> all = frame_->findChildren<QWidget*>();
    for (QWidget* w : all) w->updateGeometry();
    for (QLayout* l : {static_cast<QLayout*>(layout_), inner}) {
        l->invalidate();
        l->activate();
    }
    for (QWidget* w : all)
        if (QLayout* l = w->layout()) {
            l->invalidate();
            l->activate();
        }
    if (ClippedTexts(*frame_).isEmpty()) return;
    fittedSize_ = clientSize_.expandedTo(inner->minimumSize());
    ApplyFixedSize();
}

void TfrmKolvarWnd::ToggleRollUp() {
    if (!rolledUp_) {
        if (!rollUp_) return;
        savedHeight_ = height();
        savedMinimum_ = minimumSize();
        savedMaximum_ = maximumSize();
        rolledUp_ = true;
        frame_->hide();
        setMinimumHeight(kRolledHeight);
        setMaximumHeight(kRolledHeight);
        resize(width(), kRolledHeight);
    } else {
        rolledUp_ = false;
        setMinimumSize(savedMinimum_);
        setMaximumSize(savedMaximum_);
        frame_->show();
        resize(width(), savedHeight_);
    }
    update();
}

QRect TfrmKolvarWnd::ButtonRect() const {
    // The window has no caption buttons of its own; the roll-up button takes the place of
    // the one button a tool window's caption keeps room for.
    const int buttons = 1;
    const int left = width() - kFrameWidth - buttons * kCaptionButtonWidth + 7;
    return QRect(left, kFrameHeight, 11, kCaptionHeight - 6);
}

std::pair<int, int> TfrmKolvarWnd::GripLineSpan() const {
    const QFontMetrics fm(captionFont(*this));
    const int buttons = 1;
    const int x1 =
        int(std::nearbyint(fm.horizontalAdvance(windowTitle() + QLatin1Char('h')) * 1.22));
    int x2 = width() - kFrameWidth - (buttons - 1) * kCaptionButtonWidth - 5;
    if (rollUp_) x2 = ButtonRect().left() - fm.horizontalAdvance(QLatin1Char('h'));
    return {x1, x2};
}

QRect TfrmKolvarWnd::CaptionRect() const {
    const int bottom = rolledUp_ ? height() - kFrameHeight : kCaptionHeight;
    return QRect(kFrameWidth, kFrameHeight, width() - 2 * kFrameWidth, bottom - kFrameHeight);
}

void TfrmKolvarWnd::EnsureCreated() {
    if (created_) return;
    created_ = true;
    if (objectName().isEmpty()) setObjectName(nameFromClass(metaObject()));
    FormCreate();
}

void TfrmKolvarWnd::FormCreate() {
    Translate();
}

void TfrmKolvarWnd::Translate() {
    ApplyLanguage(*this);
    Translated();
    // Controls have their real sizes only once the window shows; a hidden one measures then.
    fitPending_ = true;
    if (isVisible()) FitToTexts();
}

int TfrmKolvarWnd::ShowModal() {
    EnsureCreated();
    if (isVisible()) hide();
    modalResult_ = mrNone;
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
    QEventLoop loop;
    modalLoop_ = &loop;
    const QPointer<TfrmKolvarWnd> self(this);
    loop.exec(QEventLoop::DialogExec);
    if (!self) return mrCancel;
    modalLoop_ = nullptr;
    hide();
    setWindowModality(Qt::NonModal);
    return modalResult_;
}

void TfrmKolvarWnd::SetModalResult(int result) {
    modalResult_ = result;
    if (modalLoop_ && result != mrNone) close();
}

void TfrmKolvarWnd::hideEvent(QHideEvent* e) {
    QWidget::hideEvent(e);
    if (!modalLoop_ || e->spontaneous()) return;
    if (modalResult_ == mrNone) modalResult_ = mrCancel;
    modalLoop_->quit();
}

void TfrmKolvarWnd::SetControlHelpContext(QWidget* Control, int Context) {
    Control->setProperty(kHelpContextProperty, Context);
}

int TfrmKolvarWnd::ControlHelpContext(const QWidget* Control) {
    return Control ? Control->property(kHelpContextProperty).toInt() : 0;
}

int TfrmKolvarWnd::HelpContextAt(const QWidget* Control) const {
    if (!Control || !isAncestorOf(Control)) return helpContext_;
    for (const QWidget* w = Control; w && w != this; w = w->parentWidget()) {
        if (int c = ControlHelpContext(w)) return c;
        // A document window without a control that takes the focus leaves it on its frame.
        if (const auto* frame = qobject_cast<const QMdiSubWindow*>(w))
            if (const auto* inner = qobject_cast<const TfrmKolvarWnd*>(frame->widget()))
                if (int c = inner->HelpContextAt(Control)) return c;
        const auto* tabs = qobject_cast<const QTabWidget*>(w->parentWidget());
        if (tabs && qobject_cast<const QTabBar*>(w))
            if (int c = ControlHelpContext(tabs->currentWidget())) return c;
    }
    return helpContext_;
}

int TfrmKolvarWnd::FocusedHelpContext() const {
    return HelpContextAt(QApplication::focusWidget());
}

void TfrmKolvarWnd::keyPressEvent(QKeyEvent* e) {
    if (IsHelpKey(*e)) {
        if (const int context = FocusedHelpContext()) {
            if (gHelpOpener) gHelpOpener(this, context);
            return;
        }
    }
    QWidget::keyPressEvent(e);
}

void TfrmKolvarWnd::setVisible(bool visible) {
    if (visible) {
        EnsureCreated();
        UpdateFrame();
    }
    QWidget::setVisible(visible);
}

bool TfrmKolvarWnd::event(QEvent* e) {
    switch (e->type()) {
    case QEvent::WindowTitleChange:
    case QEvent::ActivationChange:
        update();
        break;
    case QEvent::ParentChange:
        UpdateFrame();
        break;
    case QEvent::Show:
        if (fitPending_) FitToTexts();
        break;
    case QEvent::ShortcutOverride:
        // Claims F1 as a key press before the main window's shortcut opens the contents.
        if (IsHelpKey(*static_cast<QKeyEvent*>(e)) && FocusedHelpContext() != 0) {
            e->accept();
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::event(e);
}

void TfrmKolvarWnd::paintEvent(QPaintEvent* e) {
    QWidget::paintEvent(e);
    if (!HasCaptionBar()) return;
    QPainter p(this);
    PaintFrame(p);
    PaintCaption(p);
}

void TfrmKolvarWnd::PaintFrame(QPainter& p) const {
    qDrawWinPanel(&p, rect(), palette(), false);
}

void TfrmKolvarWnd::PaintCaption(QPainter& p) const {
    const bool active = isActiveWindow();
    const auto [caption, text] = CaptionColors(palette(), active);
    const QColor face = palette().color(QPalette::Window);
    const QRect band = CaptionRect();
    p.fillRect(band, caption);

    p.setFont(captionFont(*this));
    p.setPen(text);
    const int textRight = (rollUp_ ? ButtonRect().left() : band.right()) - 2;
    const QRect textRect(band.left() + 2, kFrameHeight, textRight - band.left() - 2,
                         kCaptionHeight - kFrameHeight);
    const QString shown =
        p.fontMetrics().elidedText(windowTitle(), Qt::ElideRight, textRect.width());
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, shown);

    if (gripLines_) {
        const auto [x1, x2] = GripLineSpan();
        p.setPen(face);
        if (x1 <= x2)
            for (int i = 0; i <= 3; ++i)
                p.drawLine(x1, kFrameHeight * i + 6, x2, kFrameHeight * i + 6);
    }

    if (rollUp_) {
        const QRect b = ButtonRect();
        const int l = b.left(), t = b.top();
        QPolygon triangle;
        if (rolledUp_)
            triangle << QPoint(l, t + 3) << QPoint(l + 8, t + 3) << QPoint(l + 4, t + 9);
        else
            triangle << QPoint(l + 8, t + 9) << QPoint(l, t + 9) << QPoint(l + 4, t + 3);
        p.setPen(text);
        p.setBrush(text);
        p.drawPolygon(triangle);
    }
}

void TfrmKolvarWnd::mousePressEvent(QMouseEvent* e) {
    if (!HasCaptionBar() || e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
    const QPoint pos = e->position().toPoint();
    const bool inCaption = pos.x() >= kFrameWidth && pos.x() < width() - kFrameWidth &&
                           pos.y() >= kFrameHeight &&
                           pos.y() < (rolledUp_ ? height() - kFrameHeight : kClientTop);
    const bool inClient =
        !rolledUp_ && rect().marginsRemoved(layout_->contentsMargins()).contains(pos);
    if (inClient) return QWidget::mousePressEvent(e);
    if (rollUp_ && ButtonRect().contains(pos)) {
        ToggleRollUp();
    } else if (inCaption) {
        if (!windowHandle() || !windowHandle()->startSystemMove()) {
            dragging_ = true;
            dragOffset_ = e->globalPosition().toPoint() - frameGeometry().topLeft();
        }
    } else if (rollUp_) {
        // The fixed border answers a press like the button does.
        ToggleRollUp();
    }
    e->accept();
}

void TfrmKolvarWnd::mouseMoveEvent(QMouseEvent* e) {
    if (!dragging_) return QWidget::mouseMoveEvent(e);
    move(e->globalPosition().toPoint() - dragOffset_);
}

void TfrmKolvarWnd::mouseReleaseEvent(QMouseEvent* e) {
    dragging_ = false;
    QWidget::mouseReleaseEvent(e);
}

} // namespace kolvar
