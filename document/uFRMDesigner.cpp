#include "document/uFRMDesigner.h"
#include "shell/uLanguagesSuport.h"

#include "document/uOpenFiles.h"
#include "filters/BackgroundRun.h"
#include "formats/DibData.h"
#include "formats/DibFile.h"
#include "formats/PictureHeader.h"
#include "formats/PictureWriter.h"
#include "raster/DibColors.h"
#include "raster/DibGeometry.h"
#include "raster/DibMath.h"
#include "raster/Exceptions.h"
#include "shell/UserDialogsWidget.h"
#include "shell/uFRMHelp.h"
#include "shell/uKolvarGeneric.h"
#include "shell/uPreferences.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <exception>

namespace kolvar {

namespace {

constexpr int kTagCut = 101;
constexpr int kTagCopy = 102;
const QString kReplaceQuestion =
    QStringLiteral("File %1 already exists.\nDo you want to replace it?");

TTransformMatrix translation(double dx, double dy) {
    return TranslationMatrix(dx, dy, 0);
}

} // namespace

TfrmDesigner::TfrmDesigner(TDocumentHost* Host, QWidget* Parent)
    : TfrmKolvarWnd(Parent, Qt::Widget), FHost(Host) {
    setObjectName(QStringLiteral("frmDesigner"));
    setWindowTitle(QStringLiteral("Designer"));
    SetHelpContext(hc::Document);
    SetRollUp(false);
    SetGripLines(true);

    FDesigner = new TNewDesigner(Client());
    FDesigner->setObjectName(QStringLiteral("Designer"));
    FScrollHrz = new QScrollBar(Qt::Horizontal, Client());
    FScrollHrz->setObjectName(QStringLiteral("ScrollHrz"));
    FScrollVrt = new QScrollBar(Qt::Vertical, Client());
    FScrollVrt->setObjectName(QStringLiteral("ScrollVrt"));
    for (QScrollBar* bar : {FScrollHrz, FScrollVrt}) bar->hide();
    auto* grid = new QGridLayout(Client());
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->addWidget(FDesigner, 0, 0);
    grid->addWidget(FScrollVrt, 0, 1);
    grid->addWidget(FScrollHrz, 1, 0);

    connect(FScrollHrz, &QScrollBar::valueChanged, this, [this] { ScrollHrzChange(); });
    connect(FScrollVrt, &QScrollBar::valueChanged, this, [this] { ScrollVrtChange(); });
    FDesigner->OnComposeView = [this](TNewDesigner&, TDibContainer& Buffer) {
        ComposeView(Buffer);
    };
    FDesigner->OnResize = [this](TNewDesigner&) { FormResize(); };
    FDesigner->OnSelectRightClick = [this](int32_t X, int32_t Y) {
        DesignerSelectRightClick(X, Y);
    };
    FDesigner->OnSelectStartTrans = [this](TTransformationInfo I) { DesignerSelectStartTrans(I); };
    FDesigner->OnSelectFinishTrans = [this](TTransformationInfo I) {
        DesignerSelectFinishTrans(I);
    };
    FDesigner->installEventFilter(this);
    FCompressTimer = new QTimer(this);
    FCompressTimer->setSingleShot(true);
    connect(FCompressTimer, &QTimer::timeout, this, [this] { CompressSome(); });

    BuildActions();
    BuildSelectionPopup();
    resize(DesignWidth, DesignHeight);
}

TfrmDesigner::~TfrmDesigner() {
    // The selection refers to the outline objects this window owns.
    FDesigner->Selection().List().Clear();
}

void TfrmDesigner::FormCreate() {
    TfrmKolvarWnd::FormCreate();
    // The window's own drawing colours. They stay out of the widget palette, which the scroll
    // bars and the frame inherit: those keep the desktop's style whatever colour is current.
    if (const TDibCanvas* tools = ToolState().ToolCanvas.get()) {
        FCanvasPenColor = tools->Pen().Color();
        FCanvasBrushColor = tools->Brush().Color();
    }
    FUndoAvailable = false;
    const QRect r = FDesigner->rect();
    TProjector& view = FDesigner->Projector();
    view.SetViewport({0, 0, r.width(), r.height()});
    view.SetCenter({r.width() / 2.0, r.height() / 2.0});
    view.SetScale({1, 1});
    FSelPolygon = std::make_unique<TGeoPolygon>(nullptr, nullptr, 0, 0, 0, 0);
    FSelShape = std::make_unique<TGeoShape>(nullptr, nullptr, 0, 0, 0, 0);
    SetUndoLevels(Preferences().UndoLevels);
}

void TfrmDesigner::BuildSelectionPopup() {
    FSelectionPopup = new QMenu(this);
    FSelectionPopup->setObjectName(QStringLiteral("SelectionPopup"));
    auto add = [this](const char* name, const QString& caption, int tag) {
        QAction* a = FSelectionPopup->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setProperty("Tag", tag);
        return a;
    };
    connect(add("SelectionFill", QStringLiteral("Fill"), 0), &QAction::triggered, this,
            [this] { SelectionFillClick(); });
    connect(add("SelectionBorder", QStringLiteral("Border"), 0), &QAction::triggered, this,
            [this] { SelectionBorderClick(); });
    FSelectionPopup->addSeparator()->setObjectName(QStringLiteral("N1"));
    connect(add("SelectionCut", QStringLiteral("Cut"), kTagCut), &QAction::triggered, this,
            [this] { SelectionCutCopyClick(kTagCut); });
    connect(add("SelectionCopy", QStringLiteral("Copy"), kTagCopy), &QAction::triggered, this,
            [this] { SelectionCutCopyClick(kTagCopy); });
}

QAction* TfrmDesigner::PopupItem(const QString& Name) const {
    for (QAction* a : FSelectionPopup->actions())
        if (a->objectName() == Name) return a;
    return nullptr;
}

// ---- Making a document ------------------------------------------------------------------

void TfrmDesigner::TakeImage(int32_t W, int32_t H) {
    FImage.SetSize(W, H);
    FUndoImage.SetSize(W, H);
}

void TfrmDesigner::SetClientToImage(int32_t W, int32_t H) {
    // The window takes the image's size, but never more than the frame can show; the scroll
    // bars reach the rest.
    FScrollHrz->hide();
    FScrollVrt->hide();
    Client()->layout()->invalidate();
    Client()->layout()->activate();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QWidget* outer = parentWidget() ? parentWidget() : this;
    const QSize chrome = outer->size() - Client()->size();
    QSize client(W, H);
    if (auto* sub = qobject_cast<QMdiSubWindow*>(outer); sub && sub->mdiArea()) {
        // A window that would reach past the frame keeps its cascade place while that leaves it
        // most of the frame, and moves to the frame's corner otherwise.
        const QSize area = sub->mdiArea()->viewport()->size();
        const QSize room = area - QSize(sub->x(), sub->y());
        const bool pastFrame =
            (client + chrome).width() > room.width() || (client + chrome).height() > room.height();
        if (pastFrame &&
            (room.width() < area.width() * 2 / 3 || room.height() < area.height() * 2 / 3))
            sub->move(0, 0);
        client = client.boundedTo(area - QSize(sub->x(), sub->y()) - chrome);
    }
    outer->resize(client + chrome);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    Client()->layout()->activate();
}

void TfrmDesigner::FitWindowToImage() {
    if (FImage.Empty()) return;
    SetClientToImage(FImage.Width(), FImage.Height());
    FormResize();
}

void TfrmDesigner::ResetView(int32_t W, int32_t H) {
    // Layouts may still resize the control in this round of events: those resizes reset the
    // view too, rather than fitting the reset view into the new size.
    if (!FResetPending) QTimer::singleShot(0, this, [this] { FResetPending = false; });
    FResetPending = true;
    const QRect r = FDesigner->rect();
    TProjector& view = FDesigner->Projector();
    view.SetViewport({0, 0, r.width(), r.height()});
    view.SetCenter({W / 2.0, H / 2.0});
    view.SetScale({1, 1});
    ViewChanged();
}

void TfrmDesigner::NewImage(int32_t Height, int32_t Width, TColor PageColor) {
    EnsureCreated();
    FFileName.clear();
    SetCaption(LanguageMessage(QStringLiteral("Image")) +
               QString::number(FHost ? FHost->DocumentCount() : 1));
    TakeImage(Width, Height);
    SetClientToImage(Width, Height);
    ResetView(Width, Height);
    if (TDibCanvas* tools = ToolState().ToolCanvas.get())
        tools->Brush().SetBackColor(DibColorFromColor(PageColor));
    ClearImage();
    SetModified(false);
    if (FHistory) {
        // A new picture starts without history.
        FHistory->Clear();
        FUndoImage.AssignContainer(FImage);
        FUndoAvailable = false;
    }
}

bool ConfirmOpeningPicture(QWidget* Parent, const QString& Path, int64_t OpenBytes) {
    const std::optional<QSize> size = PictureSizeOfFile(Path);
    if (!size || !ShouldConfirmOpening(*size, OpenBytes, PhysicalMemoryBytes())) return true;
    return UserDialogs().AskNoDefault(
        Parent, QFileInfo(Path).fileName(),
        LargePictureQuestion(*size, LanguageMessage(QString::fromLatin1(kLargePictureQuestion))));
}

bool TfrmDesigner::OpenImageFile(const QString& Path) {
    EnsureCreated();
    TDibContainer picture;
    const bool loaded = LoadPictureFile(Path, picture, [this](const QString& Text) {
        UserDialogs().Message(this, QString(), Text, TMessageIcon::None);
    });
    if (!loaded || !TakePicture(Path, std::move(picture))) {
        ShowOpenError(Path);
        return false;
    }
    return true;
}

bool TfrmDesigner::TakePicture(const QString& Path, TDibContainer&& Picture) {
    EnsureCreated();
    try {
        FImage = std::move(Picture);
        // The undo copy's pages are only touched when the first change takes the copy; with a
        // history it is the base of the first change and holds the picture.
        if (FHistory) {
            FHistory->Clear();
            FUndoImage.AssignContainer(FImage);
        } else {
            FUndoImage.SetSize(FImage.Width(), FImage.Height());
        }
    } catch (const std::exception&) {
        FImage.SetSize(0, 0);
    }
    if (FImage.Empty()) return false;
    FFileName = Path;
    SetCaption(QFileInfo(Path).fileName());
    SetClientToImage(FImage.Width(), FImage.Height());
    ResetView(FImage.Width(), FImage.Height());
    SetModified(false);
    return true;
}

void TfrmDesigner::RecoverImage(TDibContainer&& Image, const QString& Caption,
                                const QString& FileName) {
    EnsureCreated();
    FUndoImage.SetSize(Image.Width(), Image.Height());
    FImage = std::move(Image);
    FFileName = FileName;
    SetCaption(Caption);
    SetClientToImage(FImage.Width(), FImage.Height());
    ResetView(FImage.Width(), FImage.Height());
    SetModified(true);
}

void TfrmDesigner::SetCaption(const QString& Caption) {
    FCaption = Caption;
    UpdateTitle();
}

void TfrmDesigner::UpdateTitle() {
    // Desktops mark a window with unsaved changes by a leading "*".
    setWindowTitle(FModified ? QLatin1Char('*') + FCaption : FCaption);
}

void TfrmDesigner::ShowOpenError(const QString& Path) {
    UserDialogs().Message(this, LanguageMessage(QStringLiteral("Open Error")),
                          LanguageMessage(QStringLiteral("Could not open file %1.")).arg(Path),
                          TMessageIcon::Error);
}

// ---- Saving, clearing, undo -------------------------------------------------------------

QString TfrmDesigner::ChooseSaveName(bool Ask) {
    if (!FFileName.isEmpty() && !Ask && CanWritePicture(SaveFileNameFor(FFileName)))
        return FFileName;
    // A picture read from a type the program cannot write is offered under the same name as
    // a BMP file.
    const QString proposed = ProposedSaveName(FFileName);
    TFileDialogRequest request;
    request.Caption = QStringLiteral("Save As");
    request.FileName = proposed;
    request.Filter = SaveTypeFilter();
    request.SelectedFilter = SaveTypeFilterFor(proposed);
    QString chosenFilter = request.SelectedFilter;
    request.ChosenFilter = &chosenFilter;
    request.Directory =
        FFileName.isEmpty() ? ProgramDirectory() : QFileInfo(FFileName).absolutePath();
    const QString chosen = UserDialogs().SaveFileName(this, request);
    if (chosen.isEmpty()) return QString();
    const QString name = SaveFileNameFor(
        NameForSaveType(chosen, chosenFilter, chosenFilter != request.SelectedFilter));
    // The dialog asked about replacing the name it returned; a file under the name completed
    // here is not replaced without asking too.
    if (name != chosen && QFileInfo::exists(name) &&
        !UserDialogs().Ask(this, LanguageMessage(request.Caption),
                           LanguageMessage(kReplaceQuestion).arg(name)))
        return QString();
    return name;
}

bool TfrmDesigner::SaveImage(bool Ask) {
    const QString oldCaption = FCaption;
    const QString name = ChooseSaveName(Ask);
    if (name.isEmpty()) return false;
    FFileName = SaveFileNameFor(name);
    try {
        TPictureWriteOptions options;
        options.JpegQuality = Preferences().SaveJpegQuality;
        // A big picture takes a while to write; the windows keep painting meanwhile.
        RunKeepingWindowsLive(
            [this, &options](const TWorkReport&) { WritePicture(FFileName, FImage, options); });
    } catch (const std::exception& e) {
        // The system's reason, when known, goes under the fixed text.
        const auto* write = dynamic_cast<const EWriteError*>(&e);
        QString text = LanguageMessage(QStringLiteral("Could not write file %1.")).arg(FFileName);
        if (write && !write->Reason().isEmpty()) text += QLatin1Char('\n') + write->Reason();
        UserDialogs().Message(this, LanguageMessage(QStringLiteral("Save Error")), text,
                              TMessageIcon::Error);
        SetCaption(oldCaption);
        FFileName.clear();
        return false;
    }
    SetCaption(QFileInfo(FFileName).fileName());
    SetModified(false);
    if (FHost) FHost->DocumentSaved(FFileName);
    return true;
}

void TfrmDesigner::SetModified(bool Value) {
    const bool changed = FModified != Value;
    FModified = Value;
    UpdateTitle();
    if (Value) {
        // A new change: what Undo took back cannot come back over it.
        ForgetRedo();
        if (FHistory) {
            FUndoAvailable = true;
            if (FHost && isActiveDocument()) FHost->SetUndoEnabled(true);
        }
    }
    if (FHost && isActiveDocument()) FHost->SetSaveEnabled(FModified);
    if (changed) emit ModifiedChanged(FModified);
    if (Value) emit ContentChanged();
}

bool TfrmDesigner::isActiveDocument() const {
    const auto* sub = qobject_cast<const QMdiSubWindow*>(parentWidget());
    return sub && sub->mdiArea() && sub->mdiArea()->activeSubWindow() == sub;
}

void TfrmDesigner::ClearImage() {
    // With a history, Clear is a change like any other and can be taken back.
    if (FHistory)
        SaveUndo();
    else
        CopyToUndo();
    if (const TDibCanvas* tools = ToolState().ToolCanvas.get())
        FImage.Clear(tools->Brush().BackColor());
    else
        FImage.Clear(clDibWhite);
    Repaint();
    SetModified(true);
}

void TfrmDesigner::SaveUndo() {
    // With a history the undo copy is the base the next change is measured against; a
    // gesture's handlers may ask more than once, but the gesture stays one step.
    if (!FHistory)
        CopyToUndo();
    else if (!FInGesture)
        CommitChange();
    FUndoAvailable = true;
    if (FHost) FHost->SetUndoEnabled(true);
}

void TfrmDesigner::CopyToUndo() {
    // Right after an Undo the picture is its own undo copy and Redo holds the only other
    // picture. A change is coming, which takes Redo away anyway: its memory becomes the copy,
    // so that a big picture never needs three.
    if (FUndoImage.Empty() && !FRedoImage.Empty()) {
        FUndoImage = std::move(FRedoImage);
        ForgetRedo();
    }
    // Only the copy is read meanwhile (by painting), so the windows may keep painting.
    RunKeepingWindowsLive([this](const TWorkReport&) { FUndoImage.AssignContainer(FImage); });
}

void TfrmDesigner::ReplaceImage(const std::function<void(TDibContainer& Result)>& Fill) {
    SaveUndo();
    // Either way the undo copy now holds the picture; Fill writes the new one over it.
    try {
        Fill(FUndoImage);
    } catch (...) {
        RunKeepingWindowsLive([this](const TWorkReport&) { FUndoImage.AssignContainer(FImage); });
        throw;
    }
    std::swap(FImage, FUndoImage);
}

TPoint TfrmDesigner::ViewSize() {
    return TPoint{FDesigner->width(), FDesigner->height()};
}

void TfrmDesigner::RotateImage(int32_t Degrees) {
    TDibContainer rotated(FImage.Width(), FImage.Height());
    SaveUndo();
    rotated.Clear(clDibBlack);
    FImage.RotateTo(rotated, FImage.Width() / 2, FImage.Height() / 2, 1, 1,
                    Degrees * 0.017453292519943295769);
    FImage.AssignContainer(rotated);
    // The rotation is a change like any other: it must not be lost without a question.
    SetModified(true);
    Repaint();
}

// ---- Closing and activation -------------------------------------------------------------

bool TfrmDesigner::FormClose() {
    FCloseCancelled = false;
    if (FReleased) return true;
    // A command still works on a picture (its event loop delivered the close).
    if (BackgroundWorkRunning()) return false;
    if (FModified) {
        const QString text =
            LanguageMessage(QStringLiteral("File %1 is not saved.\nDo you like save it now?"))
                .arg(FCaption.toUpper());
        const TAnswer answer = UserDialogs().AskCancel(
            this, LanguageMessage(QStringLiteral("Close file")), text, true);
        if (answer == TAnswer::Cancel) {
            FCloseCancelled = true;
            return false;
        }
        if (answer == TAnswer::Yes && !SaveImage(false)) return false;
    }
    Release();
    return true;
}

void TfrmDesigner::Release() {
    FReleased = true;
    FDesigner->Selection().List().Clear();
    FImage.SetSize(0, 0);
    FUndoImage.SetSize(0, 0);
    FRedoImage.SetSize(0, 0);
    FHistory.reset();
    FCompressTimer->stop();
    FPasteBitmap = QImage();
    if (FHost) FHost->DeleteFileCaption(windowTitle());
    emit DocumentReleased();
}

void TfrmDesigner::closeEvent(QCloseEvent* Event) {
    if (!FormClose()) {
        Event->ignore();
        return;
    }
    TfrmKolvarWnd::closeEvent(Event);
}

void TfrmDesigner::FormActivate() {
    if (!FHost) return;
    FHost->SetUndoEnabled(FUndoAvailable);
    FHost->SetRedoEnabled(RedoAvailable());
    FHost->SetSaveEnabled(FModified);
    if (!FImage.Empty())
        FHost->ShowImageSize(QString::asprintf("%d : %d", FImage.Width(), FImage.Height()));
    FDesigner->Actions().SetActiveAction(ToolState().CurrentAction);
    ShowStatus();
}

// ---- Painting and the view --------------------------------------------------------------

void TfrmDesigner::ComposeView(TDibContainer& Buffer) {
    if (FImage.Empty()) return;
    TProjector& view = FDesigner->Projector();
    const TPoint2D origin = view.WorldToScreen(0, 0);
    const TPoint2D scale = view.Scale();
    const int32_t left = Round(origin.X);
    const int32_t top = Round(origin.Y);
    const int32_t w = Round(FImage.Width() * scale.X);
    const int32_t h = Round(FImage.Height() * scale.Y);
    // The rectangle is inclusive: w columns end at left + w - 1, so zoom 1 maps pixel to pixel.
    if (w > 0 && h > 0) FImage.StretchTo(Buffer, {left, top, left + w - 1, top + h - 1}, false);
    if (FOnPreviewPaint) FOnPreviewPaint(Buffer);
}

void TfrmDesigner::Repaint() {
    FDesigner->Invalidate();
    ShowStatus();
}

void TfrmDesigner::ShowProgress(int Percent) {
    if (FHost) FHost->ShowProgress(Percent);
}

void TfrmDesigner::SetPreviewHooks(TPreviewPaint Buffer, TPreviewPaintDC DC) {
    FOnPreviewPaint = std::move(Buffer);
    FOnPreviewPaintDC = std::move(DC);
}

void TfrmDesigner::FormResize() {
    if (FResetPending && !FImage.Empty()) {
        ResetView(FImage.Width(), FImage.Height());
        return;
    }
    // The viewport follows the control and the zoom stays: a window resized by the user, or
    // narrowed by a scroll bar appearing, shows more or less of the picture instead of zooming
    // it. Along an axis where the picture fits it is centred, elsewhere its place stays.
    TProjector& view = FDesigner->Projector();
    const TPoint2D scale = view.Scale();
    const TPoint2D before = view.WorldToScreen(0, 0);
    const TPoint2D topLeft = view.ScreenToWorld(0, 0);
    const QRect r = FDesigner->rect();
    view.SetViewport({0, 0, r.width(), r.height()});
    view.SetScale(scale);
    const double w = r.width() / scale.X, h = r.height() / scale.Y;
    const bool fitsX = FImage.Width() <= w, fitsY = FImage.Height() <= h;
    view.SetCenter({fitsX ? FImage.Width() / 2.0 : topLeft.X + w / 2,
                    fitsY ? FImage.Height() / 2.0 : topLeft.Y + h / 2});
    const TPoint2D after = view.WorldToScreen(0, 0);
    ShiftSelection(after.X - before.X, after.Y - before.Y);
    UpdateScrollBars();
}

void TfrmDesigner::ViewChanged() {
    UpdateScrollBars();
    Repaint();
}

void TfrmDesigner::ZoomBy(double Factor) {
    const TPoint2D s = FDesigner->Projector().Scale();
    FDesigner->Projector().SetScale({s.X * Factor, s.Y * Factor});
    ViewChanged();
}

void TfrmDesigner::ActualSize() {
    FDesigner->Projector().SetScale({1, 1});
    ViewChanged();
}

void TfrmDesigner::UpdateScrollBars() {
    if (FImage.Empty()) return;
    TProjector& view = FDesigner->Projector();
    const TPoint2D origin = view.WorldToScreen(0, 0);
    const TPoint2D scale = view.Scale();
    const double extentW = FImage.Width() * scale.X;
    const double extentH = FImage.Height() * scale.Y;
    // Which bars are needed depends on the room the other one leaves.
    QSize room = Client()->size();
    bool needH = extentW > room.width();
    bool needV = extentH > room.height() - (needH ? FScrollHrz->sizeHint().height() : 0);
    if (needV) needH = extentW > room.width() - FScrollVrt->sizeHint().width();
    if (needH) room.rheight() -= FScrollHrz->sizeHint().height();
    if (needV) room.rwidth() -= FScrollVrt->sizeHint().width();
    FSyncingScrollBars = true;
    syncBar(FScrollHrz, needH, extentW, room.width(), -origin.X);
    syncBar(FScrollVrt, needV, extentH, room.height(), -origin.Y);
    FSyncingScrollBars = false;
}

void TfrmDesigner::syncBar(QScrollBar* Bar, bool Needed, double Extent, int View, double Offset) {
    const int range = int(std::ceil(Extent)) - View;
    Bar->setVisible(Needed && range > 0);
    if (!Bar->isVisibleTo(this)) return;
    Bar->setRange(0, range);
    Bar->setPageStep(std::max(1, View));
    Bar->setSingleStep(std::max(1, View / 20));
    Bar->setValue(std::clamp(int(std::lround(Offset)), 0, range));
}

void TfrmDesigner::ScrollTo(int32_t X, int32_t Y) {
    TProjector& view = FDesigner->Projector();
    const TPoint2D before = view.WorldToScreen(0, 0);
    const TPoint2D scale = view.Scale();
    const QSize port = FDesigner->size();
    TPoint2D center = view.Center();
    if (FScrollHrz->isVisibleTo(this)) center.X = (X + port.width() / 2.0) / scale.X;
    if (FScrollVrt->isVisibleTo(this)) center.Y = (Y + port.height() / 2.0) / scale.Y;
    view.SetCenter(center);
    const TPoint2D after = view.WorldToScreen(0, 0);
    ShiftSelection(after.X - before.X, after.Y - before.Y);
}

void TfrmDesigner::ShiftSelection(double DX, double DY) {
    TGeoBaseList& list = FDesigner->Selection().List();
    if (list.Count() == 0 || (DX == 0 && DY == 0)) return;
    const TTransformMatrix m = translation(DX, DY);
    for (int32_t i = 0; i < list.Count(); ++i) list.Get(i)->Transform(m);
    list.UpdateBounds();
}

void TfrmDesigner::ScrollHrzChange() {
    if (FSyncingScrollBars) return;
    ScrollTo(FScrollHrz->value(), FScrollVrt->value());
    Repaint();
}

void TfrmDesigner::ScrollVrtChange() {
    ScrollHrzChange();
}

bool TfrmDesigner::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == FDesigner) TrackPointer(Event);
    if (Watched != FDesigner || Event->type() != QEvent::Wheel)
        return TfrmKolvarWnd::eventFilter(Watched, Event);
    auto* wheel = static_cast<QWheelEvent*>(Event);
    const QPoint steps = wheel->angleDelta() / 120;
    if (wheel->modifiers() & Qt::ControlModifier) {
        if (steps.y() != 0) ZoomBy(steps.y() > 0 ? ZoomInFactor : ZoomOutFactor);
    } else {
        const bool sideways = (wheel->modifiers() & Qt::ShiftModifier) || steps.y() == 0;
        QScrollBar* bar = sideways ? FScrollHrz : FScrollVrt;
        const int delta = sideways && steps.x() != 0 ? steps.x() : steps.y();
        if (bar->isVisibleTo(this)) bar->setValue(bar->value() - delta * 3 * bar->singleStep());
    }
    return true;
}

void TfrmDesigner::TrackPointer(QEvent* Event) {
    switch (Event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // A gesture starts: whatever changed before it is a step of its own.
        if (FHistory) CommitChange();
        FInGesture = true;
        break;
    case QEvent::MouseButtonRelease:
        // The handlers that finish the gesture run while the release is delivered.
        QTimer::singleShot(0, this, [this] { FInGesture = false; });
        break;
    case QEvent::MouseMove: {
        const QPointF p = static_cast<QMouseEvent*>(Event)->position();
        // The pixel under the pointer, not the nearest pixel corner.
        const TPoint2D w =
            TransformPoint2D(FDesigner->Projector().ToWorld(), TPoint2D{p.x(), p.y()});
        const TPoint at{int32_t(std::floor(w.X)), int32_t(std::floor(w.Y))};
        const bool over = at.X >= 0 && at.Y >= 0 && at.X < FImage.Width() && at.Y < FImage.Height();
        const QString text = over ? QString::asprintf("%d, %d", at.X, at.Y) : QString();
        if (text != FCursorText) {
            FCursorText = text;
            ShowStatus();
        }
        break;
    }
    case QEvent::Leave:
        if (!FCursorText.isEmpty()) {
            FCursorText.clear();
            ShowStatus();
        }
        break;
    default:
        break;
    }
}

// ---- Selection pop-up -------------------------------------------------------------------

bool TfrmDesigner::SelectionOutline(TPoints& Points, TIntegerArray& Counts) {
    const TGeoBaseList& list = FDesigner->Selection().List();
    if (list.Count() == 0) return false;
    const TGeoBase* object = list.Get(0);
    const TTransformMatrix& toWorld = FDesigner->Projector().ToWorld();
    const TPoints2D& outline = object->GetOutline();
    for (int32_t i = 0; i < outline.Count(); ++i)
        Points.Add(RoundPoint(TransformPoint2D(toWorld, outline.Get(i))));
    Counts.Assign(object->GetShapeDef().Counts());
    return true;
}

// The first selection object's outline in image pixels, with the polygon counts that make it a
// set of polygons (fewer than two: one polygon).
struct TfrmDesigner::TSelectionArea {
    TPoints Points;
    TIntegerArray Counts;
    bool Set() const { return Counts.Count() >= 2; }
};

std::optional<TFilterSelection> TfrmDesigner::FilterSelection() {
    TSelectionArea area;
    if (!SelectionOutline(area.Points, area.Counts)) return std::nullopt;
    if (!area.Set()) return TFilterSelection::Polygon(area.Points);
    return TFilterSelection::PolyPolygon(area.Points, area.Counts);
}

bool TfrmDesigner::TakeSelectionArea(TSelectionArea& Area) {
    return ToolState().ToolCanvas && SelectionOutline(Area.Points, Area.Counts);
}

void TfrmDesigner::FillSelectionArea(const TSelectionArea& Area) {
    const TDibSpanProc& brush = ToolState().ToolCanvas->Brush().SpanProc();
    if (Area.Set())
        FImage.FillPolyPolygon(Area.Points, Area.Counts, brush);
    else
        FImage.FillPolygon(Area.Points, brush);
}

// Fill and Border change the image like any tool: they can be undone and are not lost on close.
void TfrmDesigner::SelectionFillClick() {
    TSelectionArea area;
    if (!TakeSelectionArea(area)) return;
    SaveUndo();
    FillSelectionArea(area);
    SetModified(true);
    Repaint();
}

void TfrmDesigner::SelectionBorderClick() {
    TSelectionArea area;
    if (!TakeSelectionArea(area)) return;
    SaveUndo();
    const TDibLineProc& pen = ToolState().ToolCanvas->Pen().LineProc();
    if (area.Set())
        FImage.PolyPolygonOutline(area.Points, area.Counts, pen);
    else
        FImage.Polyline(area.Points, pen, true);
    SetModified(true);
    Repaint();
}

void TfrmDesigner::SelectionCutCopyClick(int Tag) {
    TSelectionArea area;
    if (!TakeSelectionArea(area)) return;
    TRasterSelection grab;
    grab.BackColor = ToolState().ToolCanvas->Brush().Color();
    TIntegerArray one;
    one.Add(area.Points.Count());
    grab.Grab(FImage, area.Points, area.Set() ? area.Counts : one);
    // The outline's box reaches one pixel past what its fill covers (and may leave the image):
    // the clipboard gets the selected pixels only, never a stripe of the background colour.
    grab.CropToGrabbed();
    if (Tag == kTagCut) {
        SaveUndo();
        FillSelectionArea(area);
        SetModified(true);
    }
    if (grab.Image() && !grab.Image()->Empty())
        QGuiApplication::clipboard()->setImage(grab.Image()->ToImage());
    Repaint();
}

void TfrmDesigner::DesignerSelectRightClick(int32_t X, int32_t Y) {
    FSelectionPopup->popup(FDesigner->mapToGlobal(QPoint(X, Y)));
}

} // namespace kolvar
