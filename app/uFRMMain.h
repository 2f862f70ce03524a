#pragma once
// The main window: a multiple-document frame holding the document windows.

#include <QMainWindow>

class QMdiArea;

namespace kolvar {

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);

    QMdiArea* MdiArea() const { return mdiArea_; }

    // The size the window is laid out for before it is maximised.
    static constexpr int DesignWidth = 564;
    static constexpr int DesignHeight = 477;

    // Centres the window at its design size on its screen and then maximises it.
    void ShowCentredMaximised();

private:
    QMdiArea* mdiArea_;
};

} // namespace kolvar
