#include "shell/uLanguagesSuportWidget.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QWidget>

namespace kolvar {

namespace {

bool hasProperty(const QObject* o, const char* name) {
    return o->metaObject()->indexOfProperty(name) >= 0;
}

// A QTabWidget keeps its pages in an internal stack; the page's tab is found through it.
QTabWidget* tabWidgetOf(QWidget* page, int& index) {
    auto* stack = qobject_cast<QStackedWidget*>(page->parentWidget());
    auto* tabs = stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
    index = tabs ? tabs->indexOf(page) : -1;
    return index >= 0 ? tabs : nullptr;
}

void setCaption(QObject* o, const QString& text) {
    if (hasProperty(o, "caption")) {
        o->setProperty("caption", text);
    } else if (auto* menu = qobject_cast<QMenu*>(o)) {
        menu->setTitle(text);
    } else if (auto* action = qobject_cast<QAction*>(o)) {
        action->setText(text);
    } else if (auto* w = qobject_cast<QWidget*>(o)) {
        int index = -1;
        if (QTabWidget* tabs = tabWidgetOf(w, index))
            tabs->setTabText(index, text);
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            button->setText(text);
        else if (auto* label = qobject_cast<QLabel*>(w))
            label->setText(text);
        else if (auto* group = qobject_cast<QGroupBox*>(w))
            group->setTitle(text);
        else if (w->isWindow())
            w->setWindowTitle(text);
    }
}

void setHint(QObject* o, const QString& text) {
    if (hasProperty(o, "hint")) {
        o->setProperty("hint", text);
    } else if (auto* menu = qobject_cast<QMenu*>(o)) {
        menu->setToolTip(text);
        menu->menuAction()->setToolTip(text);
    } else if (auto* action = qobject_cast<QAction*>(o)) {
        action->setToolTip(text);
    } else if (auto* w = qobject_cast<QWidget*>(o)) {
        int index = -1;
        if (QTabWidget* tabs = tabWidgetOf(w, index))
            tabs->setTabToolTip(index, text);
        else
            w->setToolTip(text);
    }
}

void setComboItems(QComboBox* combo, const QStringList& items) {
    // Replacing the items is not a user's choice: no change handler runs, and the chosen
    // entry (or an edited text) stays.
    const QSignalBlocker block(combo);
    const int index = combo->currentIndex();
    const QString text = combo->currentText();
    const bool ownText = combo->isEditable() && (index < 0 || combo->itemText(index) != text);
    combo->clear();
    combo->addItems(items);
    combo->setCurrentIndex(index < items.size() ? index : 0);
    if (ownText) combo->setEditText(text);
}

// The radio buttons that belong to group itself, not to a group box nested in it.
QList<QRadioButton*> radioButtonsOf(QGroupBox* group) {
    QList<QRadioButton*> own;
    for (QRadioButton* b : group->findChildren<QRadioButton*>()) {
        QWidget* p = b->parentWidget();
        while (p && p != group && !qobject_cast<QGroupBox*>(p)) p = p->parentWidget();
        if (p == group) own << b;
    }
    return own;
}

QRadioButton* addRadioButton(QGroupBox* group, const QList<QRadioButton*>& existing) {
    auto* b = new QRadioButton(group);
    if (group->layout()) {
        group->layout()->addWidget(b);
    } else {
        const int top = existing.isEmpty() ? 18 : existing.constLast()->geometry().bottom() + 2;
        const int left = existing.isEmpty() ? 8 : existing.constLast()->x();
        b->move(left, top);
        b->resize(group->width() - left - 4, b->sizeHint().height());
    }
    b->setVisible(group->isVisible());
    return b;
}

void setRadioItems(QGroupBox* group, const QStringList& items) {
    QList<QRadioButton*> buttons = radioButtonsOf(group);
    while (buttons.size() < items.size()) buttons << addRadioButton(group, buttons);
    while (buttons.size() > items.size()) delete buttons.takeLast();
    for (qsizetype i = 0; i < items.size(); ++i) buttons[i]->setText(items[i]);
}

} // namespace

TWidgetTranslationTarget::TWidgetTranslationTarget(QWidget& window) : window_(window) {
    QList<QObject*> all = window.findChildren<QObject*>();
    for (QAction* a : window.actions()) all << a;
    for (QObject* o : all) {
        const QString key = o->objectName().toLower();
        if (!key.isEmpty() && !components_.contains(key)) components_.insert(key, o);
    }
}

QObject* TWidgetTranslationTarget::FindComponent(const QString& name) const {
    return components_.value(name.toLower()).data();
}

QString TWidgetTranslationTarget::ComponentName() const {
    return window_.objectName();
}

void TWidgetTranslationTarget::SetCaption(const QString& text) {
    window_.setWindowTitle(text);
}

void TWidgetTranslationTarget::SetComponentCaption(const QString& name, const QString& text) {
    if (QObject* o = FindComponent(name)) setCaption(o, text);
}

void TWidgetTranslationTarget::SetComponentHint(const QString& name, const QString& text) {
    if (QObject* o = FindComponent(name)) setHint(o, text);
}

void TWidgetTranslationTarget::SetMemoLines(const QString& name, const QStringList& lines) {
    QObject* o = FindComponent(name);
    if (auto* plain = qobject_cast<QPlainTextEdit*>(o))
        plain->setPlainText(lines.join(QLatin1Char('\n')));
    else if (auto* rich = qobject_cast<QTextEdit*>(o))
        rich->setPlainText(lines.join(QLatin1Char('\n')));
    else if (o && hasProperty(o, "lines"))
        o->setProperty("lines", lines);
}

void TWidgetTranslationTarget::SetComboItems(const QString& name, const QStringList& items) {
    QObject* o = FindComponent(name);
    if (auto* combo = qobject_cast<QComboBox*>(o))
        setComboItems(combo, items);
    else if (o && hasProperty(o, "items"))
        o->setProperty("items", items);
}

void TWidgetTranslationTarget::SetRadioGroup(const QString& name, const QString& caption,
                                             const QStringList& items) {
    QObject* o = FindComponent(name);
    if (!o) return;
    if (!caption.isEmpty()) setCaption(o, caption);
    if (hasProperty(o, "items"))
        o->setProperty("items", items);
    else if (auto* group = qobject_cast<QGroupBox*>(o))
        setRadioItems(group, items);
}

void ApplyLanguage(QWidget& window, TLanguageSuport& language) {
    TWidgetTranslationTarget target(window);
    language.Apply(target);
}

} // namespace kolvar
