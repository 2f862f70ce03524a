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
    RegisterPalette(shapes);
    // A palette takes its final size (its language's texts may widen it) when it shows.
    shapes->show();
    shapes->move(desk.left() + desk.width() - int(std::nearbyint(shapes->width() * 2.04)),
                 desk.top() + desk.height() - shapes->height() - statusHeight - 5);

    auto* settings = CreateForm<TfrmSettings>(this);
    settings_ = settings;
    RegisterPalette(settings);
    settings->show();
    settings->move(desk.left() + desk.width() - settings->width() - 5,
                   desk.top() + desk.height() - settings->height() - statusHeight - 5);
    // A language with longer texts widens the settings palette; the shapes palette keeps out
    // of its way.
    const int left = settings->x() - shapes->width() - 3;
    if (shapes->x() > left) shapes->move(left, shapes->y());
}

void TfrmKolvar::TranslatePalettes() {
    // The palettes stand at the right of the screen: one that changes width keeps its right
    // edge, and the shapes palette moves with the settings palette beside it.
    const int settingsWidth = settings_ ? settings_->width() : 0;
    const int shapesWidth = shapes_ ? shapes_->width() : 0;
    for (const QPointer<TfrmKolvarWnd>& palette : palettes_)
        if (palette) palette->Translate();
    const int settingsGrowth = settings_ ? settings_->width() - settingsWidth : 0;
    if (settings_) settings_->move(settings_->x() - settingsGrowth, settings_->y());
    if (shapes_)
        shapes_->move(shapes_->x() - settingsGrowth - (shapes_->width() - shapesWidth),
                      shapes_->y());
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
