#pragma once
// The base of every window of the program: translation into the current language when the
// window is created, and a caption of its own for tool windows and dialogs, with a roll-up
// button that folds the window to its caption and back, and grip lines after the caption text.
//
// Subclasses build their controls inside Client() in their constructor and do their own
// creation work in FormCreate (calling the inherited one first, which translates the window).
// FormCreate runs once, after construction: from CreateForm, EnsureCreated, the first show or
// ShowModal, whichever comes first. Never show a window from its own constructor.

#include <QPointer>
#include <QWidget>

#include <utility>

class QEventLoop;
class QVBoxLayout;

namespace kolvar {

// How a modal window ended.
enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2 };

class TfrmKolvarWnd : public QWidget {
    Q_OBJECT
public:
    // Sizes of the drawn caption, in pixels: the frame, a caption button and the caption.
    static constexpr int kFrameWidth = 3;
    static constexpr int kFrameHeight = 3;
    static constexpr int kCaptionButtonWidth = 20;
    static constexpr int kCaptionHeight = 18;
    // Height of a rolled-up window: its caption and the strip under it.
    static constexpr int kRolledHeight = kCaptionHeight + 6;
    // The design size of the base form's client area.
    static constexpr int kDesignClientWidth = 279;
    static constexpr int kDesignClientHeight = 198;

    // A tool window by default; the main window passes Qt::Window, dialogs Qt::Dialog.
    explicit TfrmKolvarWnd(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::Tool);
    ~TfrmKolvarWnd() override;

    // Where subclasses put their controls: the window below its caption, inside the frame.
    QWidget* Client() const { return client_; }
    // Fixes the client area to the given size (a tool-window border is not sizeable).
    void SetClientSize(int width, int height);

    bool RollUp() const { return rollUp_; }
    void SetRollUp(bool on);
    bool GripLines() const { return gripLines_; }
    void SetGripLines(bool on);

    // True while the window draws its own caption: a top-level window with a decoration.
    bool HasCaptionBar() const;
    bool IsRolledUp() const { return rolledUp_; }
    // What a press on the roll-up button does: fold to the caption, or back to the height
    // the window had before.
    void ToggleRollUp();
    // The window height before it was last rolled up.
    int SavedHeight() const { return savedHeight_; }
    // Where the roll-up button is, in window coordinates.
    QRect ButtonRect() const;
    // First and last x of the grip lines; first > last when there is no room for them.
    std::pair<int, int> GripLineSpan() const;

    // Runs FormCreate unless it has run already.
    void EnsureCreated();
    bool IsCreated() const { return created_; }
    // Applies the current language to this window again.
    void Translate();

    // Shows the window modally and returns how it ended; closing it any other way gives
    // mrCancel.
    int ShowModal();
    int ModalResult() const { return modalResult_; }
    // Sets the result; a window shown by ShowModal then closes.
    void SetModalResult(int result);

    // The help context number of the page F1 opens in this window; 0 for none. F1 reaches the
    // window with the focus before any shortcut of a window around it (the main window's F1
    // opens the contents), so a window with a context always opens its own page.
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int context) { helpContext_ = context; }
    // Gives a part of a window a page of its own (a palette's tab page): F1 with the focus
    // inside Control opens that page instead of the window's.
    static void SetControlHelpContext(QWidget* Control, int Context);
    static int ControlHelpContext(const QWidget* Control);
    // The context F1 opens with the focus on Control: that of the nearest control from Control
    // up to this window that has one (a tab bar stands for its current page), else the
    // window's own.
    int HelpContextAt(const QWidget* Control) const;

protected:
    // The base step translates the window. Overrides call it first.
    virtual void FormCreate();
    // Runs after each translation, for texts the language text does not address by
    // component (built-in list items, texts made from messages).
    virtual void Translated() {}
    // For the dialog base: makes client the area subclasses fill.
    void SetClient(QWidget* client) { client_ = client; }
    QWidget* Frame() const { return frame_; }

    void setVisible(bool visible) override;
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    int FocusedHelpContext() const;
    void UpdateFrame();
    void ApplyFixedSize();
    void FitToTexts();
    QRect CaptionRect() const;
    void PaintFrame(QPainter& p) const;
    void PaintCaption(QPainter& p) const;

    QRect buttonRect_;
    int savedHeight_ = 0;
    bool rollUp_ = true;
    bool gripLines_ = false;

    bool rolledUp_ = false;
    bool created_ = false;
    QSize clientSize_; // invalid unless SetClientSize fixed it
    QSize fittedSize_; // larger than clientSize_ while the language's texts need it
    bool fitPending_ = false;
    QSize savedMinimum_, savedMaximum_;
    QWidget* frame_ = nullptr;  // the whole area inside the frame and under the caption
    QWidget* client_ = nullptr; // where subclasses put controls (frame_ or a part of it)
    QVBoxLayout* layout_ = nullptr;
    QPoint dragOffset_;
    bool dragging_ = false;
    int modalResult_ = mrNone;
    int helpContext_ = 0;
    QPointer<QEventLoop> modalLoop_;
};

// Creates a window and runs its creation steps, the way forms are created in this program.
template <class T, class... Args> T* CreateForm(Args&&... args) {
    auto* form = new T(std::forward<Args>(args)...);
    form->EnsureCreated();
    return form;
}

// How F1 opens a help page. The help viewer installs itself here, so the frame every window
// (the viewer's too) stands on does not depend on the viewer.
using THelpOpener = void (*)(QWidget* Parent, int Context);
void SetHelpOpener(THelpOpener opener);

} // namespace kolvar
