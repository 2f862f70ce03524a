// One-letter keys for the tools, the ones people know from other editors. They work in every
// window of the program except while a text field has the keyboard, and each tool's tooltip
// shows its letter.

#include "app/uFRMMain.h"
#include "app/uFRMSettings.h"
#include "vector/uFRMShapes.h"

#include <QAction>
#include <QToolButton>

#include <array>

namespace kolvar {

namespace {

struct TToolKey {
    const char* Button;
    char Letter;
    // A button of the shapes palette rather than of the left tool bar.
    bool Shapes;
};

constexpr std::array<TToolKey, 13> kToolKeys = {{
    {"sbDraw", 'D', false},
    {"sbSelect", 'S', false},
    {"sbErase", 'E', false},
    {"sbSpray", 'A', false},
    {"sbGetColor", 'K', false},
    {"sbZoom", 'Z', false},
    {"sbFloodFill", 'F', false},
    {"sbBoundary", 'B', false},
    {"sbText", 'T', false},
    {"sbTextRect", 'R', false},
    {"sbWarp", 'W', false},
    {"sbDrawPen", 'P', true},
    {"sbDrawLine", 'L', true},
}};

QString keySuffix(char letter) {
    return QStringLiteral(" (") + QLatin1Char(letter) + QLatin1Char(')');
}

} // namespace

void TfrmKolvar::InstallToolKeys() {
    for (const TToolKey& key : kToolKeys) {
        auto* action = new QAction(this);
        action->setObjectName(QStringLiteral("key") + QString::fromLatin1(key.Button).mid(2));
        action->setShortcut(QKeySequence(QString(QLatin1Char(key.Letter))));
        // The frame and the palettes (ShowToolKeys adds the keys to them), not an open menu,
        // whose letters choose its items; a text field takes its letters first.
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, key] {
            QToolButton* button = nullptr;
            if (key.Shapes && shapes_)
                button = shapes_->findChild<QToolButton*>(QString::fromLatin1(key.Button));
            else if (!key.Shapes)
                button = ToolButton(QString::fromLatin1(key.Button));
            if (!button) return;
            // The drawing tools of the palette wait for the Draw mode.
            if (key.Shapes && !button->isEnabled()) ToolButton(QStringLiteral("sbDraw"))->click();
            if (button->isEnabled()) button->click();
        });
        addAction(action);
    }
}

void TfrmKolvar::ShowToolKeys() {
    QList<QAction*> keys;
    for (QAction* a : actions())
        if (a->objectName().startsWith(QLatin1String("key"))) keys << a;
    for (QWidget* palette :
         {static_cast<QWidget*>(shapes_.data()), static_cast<QWidget*>(settings_.data())})
        if (palette) palette->addActions(keys);
    for (const TToolKey& key : kToolKeys) {
        QWidget* owner = key.Shapes ? static_cast<QWidget*>(shapes_.data()) : this;
        auto* button =
            owner ? owner->findChild<QToolButton*>(QString::fromLatin1(key.Button)) : nullptr;
        if (!button) continue;
        const QString suffix = keySuffix(key.Letter);
        if (!button->toolTip().endsWith(suffix)) button->setToolTip(button->toolTip() + suffix);
    }
}

} // namespace kolvar
