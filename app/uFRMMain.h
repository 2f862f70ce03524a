#pragma once
// The main window: the multiple-document frame with the menus, the two tool bars, the colour
// sample and the status bar. It reads the settings file, loads the language, owns the shared
// tool state, and writes the settings back when it closes.

#include "app/uFRMKolvarWnd.h"
#include "app/uKolvarGeneric.h"

#include <QList>
#include <QPointer>

class QAction;
class QActionGroup;
class QButtonGroup;
class QFrame;
class QLabel;
class QLineEdit;
class QMdiArea;
class QMenu;
class QMenuBar;
class QStatusBar;
class QToolButton;

namespace kolvar {

class TfrmKolvar : public TfrmKolvarWnd {
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

    // The File menu's commands, told apart by the item's Tag.
    void FileOptionsClick(int tag);

protected:
    void FormCreate() override;
    // Redraws the fill and stroke sample; the change notification of the tool brush and pen.
    void ShowSample();
    void closeEvent(QCloseEvent* e) override;

private:
    void BuildMenus();
    QMenu* AddMenu(QMenuBar* bar, QMenu* parentMenu, const char* name, const QString& caption);
    QAction* AddItem(QMenu* menu, const char* name, const QString& caption, const char* shortcut,
                     int tag);
    QFrame* BuildMainToolBar();
    QFrame* BuildToolBar();
    QFrame* BuildSample(QWidget* parent);
    void BuildStatusBar();
    void LoadStartLanguage(const QString& idiom);
    void CheckLanguageItem();

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
};

} // namespace kolvar
