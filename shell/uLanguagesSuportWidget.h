#pragma once
// Carries a language text onto Qt widgets. A window's components are its descendants and
// actions, found by objectName() without regard to case. "caption" and "hint" mean:
//
//   menus (QMenu)              title, tool tip
//   actions (menu items)       text, tool tip
//   buttons, check and radio   text, tool tip
//   labels                     text, tool tip
//   group boxes                title, tool tip
//   tab pages                  the tab's text and tool tip in their QTabWidget
//   anything else              tool tip only
//
// A component that declares a Qt property "caption" (or "hint") gets that property instead, so
// that the program's own controls decide what their caption is. Memos are QPlainTextEdit or
// QTextEdit, combo boxes QComboBox, radio groups a QGroupBox whose radio buttons are its items
// (or any component with a QStringList property "items").

#include "shell/uLanguagesSuport.h"

#include <QHash>
#include <QPointer>

class QObject;
class QWidget;

namespace kolvar {

class TWidgetTranslationTarget : public TTranslationTarget {
public:
    explicit TWidgetTranslationTarget(QWidget& window);

    QString ComponentName() const override;
    void SetCaption(const QString& text) override;
    void SetComponentCaption(const QString& name, const QString& text) override;
    void SetComponentHint(const QString& name, const QString& text) override;
    void SetMemoLines(const QString& name, const QStringList& lines) override;
    void SetComboItems(const QString& name, const QStringList& items) override;
    void SetRadioGroup(const QString& name, const QString& caption,
                       const QStringList& items) override;

    // The component of that name, or null.
    QObject* FindComponent(const QString& name) const;

private:
    QWidget& window_;
    QHash<QString, QPointer<QObject>> components_; // lower-cased name -> first such component
};

// Translates window with the given (by default the program's) language.
void ApplyLanguage(QWidget& window, TLanguageSuport& language = LanguageSuport());

// The captions of window's labels, buttons, check boxes, radio buttons, group boxes and tabs
// that need more room than their control has at its present size, as
// "name \"text\" needs N px, has M". Pages of tab widgets and stacks count as shown.
QStringList ClippedTexts(QWidget& window);

} // namespace kolvar
