// The main window's side of the floating palettes: creating them on the first show, and the
// Draw and Select buttons switching the shapes palette's drawing buttons.

#include "app/uFRMMain.h"
#include "app/uFRMSettings.h"
#include "vector/uFRMShapes.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>

#include <cmath>

namespace kolvar {

void TfrmKolvar::CreatePalettes() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect desk = screen->availableGeometry();
    const int statusHeight = StatusBar() ? StatusBar()->height() : 0;

    auto* shapes = CreateForm<TfrmShapes>(this);
    shapes_ = shapes;
    shapes->OnGroupButton = [this](bool draw, const QIcon& glyph) {
        QToolButton* button =
            ToolButton(draw ? QStringLiteral("sbDraw") : QStringLiteral("sbSelect"));
        if (!button) return;
        button->setChecked(true);
        button->setIcon(glyph);
    };
    shapes->move(desk.left() + desk.width() - int(std::nearbyint(shapes->width() * 2.04)),
                 desk.top() + desk.height() - shapes->height() - statusHeight - 5);
    RegisterPalette(shapes);
    shapes->show();

    auto* settings = CreateForm<TfrmSettings>(this);
    settings_ = settings;
    settings->move(desk.left() + desk.width() - settings->width() - 5,
                   desk.top() + desk.height() - settings->height() - statusHeight - 5);
    RegisterPalette(settings);
    settings->show();
}

void TfrmKolvar::SetDrawButtonsEnabled(bool enabled) {
    if (shapes_) shapes_->SetDrawButtonsEnabled(enabled);
}

TfrmSettings* TfrmKolvar::SettingsPalette() const {
    return settings_.data();
}

TfrmShapes* TfrmKolvar::ShapesPalette() const {
    return shapes_.data();
}

} // namespace kolvar
