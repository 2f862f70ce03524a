#pragma once
// The main window: the multiple-document frame with the menus, the two tool bars, the colour
// sample and the status bar. It reads the settings file, loads the language, owns the shared
// tool state, and writes the settings back when it closes.

#include "app/RecentFiles.h"
#include "document/uFRMDesigner.h"
#include "shell/uFRMKolvarWnd.h"
#include "shell/uKolvarGeneric.h"
#include "shell/uPreferences.h"

#include <QList>
#include <QPointer>

#include <map>
#include <memory>
#include <vector>

class QAction;
class QActionGroup;
class QButtonGroup;
class QFrame;
class QLabel;
class QLineEdit;
class QMdiArea;
class QMenu;
class QMdiSubWindow;
class QMenuBar;
class QMimeData;
class QStatusBar;
class QTimer;
class QToolButton;

namespace kolvar {

class TfrmDesigner;
class TRecoveryStore;
class TSlicedCopy;
class TfrmSettings;
class TfrmShapes;
class TPictureReadJob;

class TfrmKolvar : public TfrmKolvarWnd, public TDocumentHost {
    Q_OBJECT
public:
    // The size the window is laid out for before it is maximised.
    static constexpr int DesignWidth = 564;
    static constexpr int DesignHeight = 477;

    // Creates the window and runs its creation steps (settings, language, tool state).
    explicit TfrmKolvar(QWidget* parent = nullptr);
    ~TfrmKolvar() override;

    // Centres the window at its design size on its screen and then maximises it.
    void ShowCentredMaximised();

    QMdiArea* MdiArea() const { return mdiArea_; }
    QStatusBar* StatusBar() const { return statusBar_; }
    // Panel 0 (62 pixels) and 1 (50 pixels) of the status bar.
    QLabel* StatusPanel(int index) const;
    TToolState& Tools() { return toolState_; }

    // The menu item or menu of that component name (moFile, moEnglish, ...), or null.
    QAction* MenuItem(const QString& name) const;
    QToolButton* ToolButton(const QString& name) const;

    // Loads the named language and applies it to this window and to the registered palettes;
    // every other window takes it when it is next created.
    void SwitchLanguage(const QString& name);
    // A palette that follows language switches (the shapes and settings palettes).
    void RegisterPalette(TfrmKolvarWnd* palette);
    // The two palettes, once the first show made them.
    TfrmSettings* SettingsPalette() const;
    TfrmShapes* ShapesPalette() const;

    // The command handlers, each told apart by the Tag of the item or button.
    void FileOptionsClick(int tag);
    void EditOptionsClick(int tag);
    void FilterOptionsClick(int tag);
    void ViewOptionsClick(int tag);
    void ImageOptionsClick(int tag);
    void WindowsOptionsClick(int tag);
    void HelpOptionsClick(int tag);
    void moAboutClick();
    void MainToolBarClick(int tag);
    void ToolBarClick(int tag);
    void sbRotateClick();
    void pbSampleClick();

    // The document windows, in the frame's child order, and the active one (or null).
    QList<TfrmDesigner*> Documents() const;
    TfrmDesigner* ActiveDocument() const;
    // Creates a document window for a file and lists it; null (and nothing listed) when the
    // file could not be read.
    // Asks first before a giant picture (ConfirmOpeningPicture); null when declined or
    // unreadable.
    TfrmDesigner* OpenDocument(const QString& path);
    // The memory the open documents' pictures hold (image and undo copy), in bytes.
    int64_t OpenDocumentBytes() const;
    // The same with the file read on a thread of its own while the status bar shows how far
    // it got; the document window appears once the picture is ready. Files open in the order
    // they were asked for.
    void OpenDocumentInBackground(const QString& path);
    // True while a background read has not yet become a document.
    bool Opening() const { return !reading_.empty(); }
    TfrmDesigner* NewDocument();
    // The close procedure of every document, last to first, stopping at the first document
    // that stays open; true when all of them closed.
    bool CloseAllDocuments();

    // The Open command: the dialog starts in the folder of the last file opened or saved, and
    // every file chosen in it becomes a document.
    void OpenFilesClick();
    // The files opened or saved last (File > Open Recent), kept in the settings file.
    const TRecentFiles& RecentFiles() const { return recent_; }
    QMenu* RecentMenu() const { return recentMenu_; }
    // Opens an entry of Open Recent; a file that no longer exists leaves the list.
    void OpenRecentFile(const QString& path);
    void ClearRecentFiles();
    // Opens every local file the data names (a drop from a file manager), each read in the
    // background as Open does; false when it names none.
    bool OpenDroppedFiles(const QMimeData* data);
    // Edit > Preferences...: the Preferences dialog; Ok announces PreferencesChanged.
    void moPreferencesClick();

    // Starts keeping recovery copies of unsaved pictures in Folder (TRecoveryStore's default
    // folder when empty) and offers back the pictures that a run which ended without closing
    // them left there.
    void StartRecovery(const QString& Folder = QString());
    TRecoveryStore* Recovery() const { return recovery_.get(); }
    // Writes the recovery copy of every modified document now instead of when its timer fires.
    void WriteRecoveryCopies();

    // Carry the current tool, or its shape definition, into every open document.
    void CurrentChildsAction(int32_t index);
    void CurrentChildsShapeDef(const TShapeDef& def);
    void CurrentChildsShapeDefFromStrings(const QStringList& lines);

    // The Windows-menu list of documents.
    void AddFileCaptionOnMenu(TfrmDesigner* document);
    void DeleteFileCaption(const QString& caption) override;
    void FileNameClick(QAction* item);

    // TDocumentHost
    int32_t DocumentCount() const override;
    void SetUndoEnabled(bool enabled) override;
    void SetSaveEnabled(bool enabled) override;
    void ShowImageSize(const QString& text) override;
    void DocumentSaved(const QString& path) override;
    void ShowProgress(int percent) override;
    void SetRedoEnabled(bool enabled) override;
    void ShowDocumentStatus(const QString& cursor, const QString& selection,
                            const QString& zoom) override;
    void SelectionChanged() override;
    // The Preferences dialog calls this after changing the undo levels or the history
    // budget: every open document and the shared budget take the new values.
    void ApplyHistoryPreferences();

signals:
    // The user changed the preferences (undo levels, history memory, ...).
    void PreferencesChanged();

protected:
    void FormCreate() override;
    // Creates the shapes and settings palettes at their places, the first time it runs.
    void FormShow();
    void showEvent(QShowEvent* e) override;
    // Redraws the fill and stroke sample; the change notification of the tool brush and pen.
    void ShowSample();
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void BuildMenus();
    // The Image menu's table and its item states (uFRMMainImage).
    void BuildImageMenu();
    void ImageCommand(int tag);
    void UpdateDocumentCommands();
    void ClearDocumentStatus();
    QMenu* AddMenu(QMenuBar* bar, QMenu* parentMenu, const char* name, const QString& caption);
    QAction* AddItem(QMenu* menu, const char* name, const QString& caption, const char* shortcut,
                     int tag);
    QFrame* BuildMainToolBar();
    QFrame* BuildToolBar();
    QFrame* BuildSample(QWidget* parent);
    void BuildStatusBar();
    void LoadStartLanguage(const QString& idiom);
    void CheckLanguageItem();
    void ConnectMenu(QMenu* menu, void (TfrmKolvar::*handler)(int));
    void FileCommand(int tag);
    bool eventFilter(QObject* watched, QEvent* e) override;
    void UpdatePasteItem();
    TfrmDesigner* AddDocumentWindow();
    void DiscardDocumentWindow(TfrmDesigner* document);
    // Recovery (uFRMMainRecovery): each document's copy is written a while after a change.
    void WatchDocument(TfrmDesigner* document);
    // Whole: a copy taken at once even of a big picture, which otherwise goes a slice of rows
    // at a time between other work.
    void WriteRecoveryCopy(TfrmDesigner* document, bool Whole = false);
    void StartSlicedCopy(TfrmDesigner* document);
    void StopSlicedCopy(TfrmDesigner* document);
    void NextSlices();
    void RecoverPictures(const QStringList& files);
    // Turns the finished background reads into documents and shows the progress of the next.
    void PollReads();
    TfrmDesigner* FinishOpening(TPictureReadJob& job);
    void ActivateDocument(TfrmDesigner* document);
    // The palettes (uFRMMainPalettes): made by FormShow; the Draw and Select buttons enable
    // or disable the shapes palette's drawing buttons.
    void CreatePalettes();
    void TranslatePalettes();
    void SetDrawButtonsEnabled(bool enabled);
    // Open Recent (uFRMMainFiles): built under Open, rebuilt whenever the list changes.
    void BuildRecentMenu(QMenu* file);
    void RefreshRecentMenu();
    void RememberFile(const QString& path);
    // After an open: an opened file joins the recent files, a missing one leaves them.
    void NoteOpening(const QString& path, bool opened);
    // New document windows go down and right of the last one, and stay wide enough to show
    // their caption.
    void PlaceNewWindow(QMdiSubWindow* sub);
    void KeepCaptionVisible(QMdiSubWindow* sub);
    // Windows > Cascade: every document window down and right of the one before, at its
    // picture's size as far as the frame allows, the active one on top.
    void CascadeDocuments();
    // One-letter keys of the tools (uFRMMainToolKeys), shown in the buttons' tooltips.
    void InstallToolKeys();
    void ShowToolKeys();

    TToolState toolState_;
    QMenuBar* menu_ = nullptr;
    QMdiArea* mdiArea_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QList<QLabel*> statusPanels_;
    QLabel* pbSample_ = nullptr;
    QFrame* shBrushColor_ = nullptr;
    QFrame* shPenColor_ = nullptr;
    QButtonGroup* toolGroup_ = nullptr;
    QActionGroup* idiomGroup_ = nullptr;
    QLineEdit* edRotateAngle_ = nullptr;
    QList<QPointer<TfrmKolvarWnd>> palettes_;
    QMenu* windowsMenu_ = nullptr;
    bool palettesCreated_ = false;
    QPointer<TfrmSettings> settings_;
    QPointer<TfrmShapes> shapes_;
    QMenu* recentMenu_ = nullptr;
    TRecentFiles recent_;
    std::unique_ptr<TRecoveryStore> recovery_;
    int32_t nextRecoveryId_ = 1;
    // The recovery copies of big pictures under way, and the timer that feeds them.
    struct TSlicedCopyOf {
        QPointer<TfrmDesigner> Document;
        std::unique_ptr<TSlicedCopy> Copy;
    };
    std::map<TfrmDesigner*, TSlicedCopyOf> slicedCopies_;
    QTimer* sliceTimer_ = nullptr;
    std::vector<std::unique_ptr<TPictureReadJob>> reading_;
    QTimer* readTimer_ = nullptr;
    bool polling_ = false;
    QAction* cropItem_ = nullptr;
};

} // namespace kolvar
