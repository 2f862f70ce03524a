#include "shell/uLanguagesSuportWidget.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
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

namespace {

QString plain(QString text) {
    // "&&" is a shown ampersand, a single "&" marks the mnemonic and takes no room.
    text.replace(QLatin1String("&&"), QLatin1String("\x01"));
    text.remove(QLatin1Char('&'));
    return text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
}

QString describe(const QWidget* w, const QString& text, int needs, int has) {
    return QStringLiteral("%1 \"%2\" needs %3 px, has %4")
        .arg(w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                       : w->objectName(),
             text)
        .arg(needs)
        .arg(has);
}

void checkLabel(const QLabel* l, QStringList& clipped) {
    if (l->text().isEmpty() || l->textFormat() == Qt::RichText || !l->pixmap().isNull()) return;
    const QString text = plain(l->text());
    if (l->wordWrap()) {
        const int needs = l->heightForWidth(l->width());
        if (needs > l->height()) clipped << describe(l, text, needs, l->height()) + " high";
        return;
    }
    const int margins = l->contentsMargins().left() + l->contentsMargins().right() +
                        2 * l->margin() + std::max(l->indent(), 0);
    int needs = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        needs = std::max(needs, l->fontMetrics().horizontalAdvance(line));
    needs += margins;
    if (needs > l->width()) clipped << describe(l, text, needs, l->width());
}

// The room the style leaves a button's text: its contents rectangle, less the indicator of a
// check box or radio button.
int textRoom(const QAbstractButton* b) {
    QStyleOptionButton option;
    option.initFrom(b);
    option.text = b->text();
    QStyle* style = b->style();
    if (qobject_cast<const QCheckBox*>(b))
        return style->subElementRect(QStyle::SE_CheckBoxContents, &option, b).width();
    if (qobject_cast<const QRadioButton*>(b))
        return style->subElementRect(QStyle::SE_RadioButtonContents, &option, b).width();
    if (qobject_cast<const QPushButton*>(b)) {
        const int margin = style->pixelMetric(QStyle::PM_ButtonMargin, &option, b);
        return style->subElementRect(QStyle::SE_PushButtonContents, &option, b).width() - margin;
    }
    return b->contentsRect().width() - 4; // a tool button's frame and padding
}

void checkButton(const QAbstractButton* b, QStringList& clipped) {
    if (b->text().isEmpty()) return;
    if (auto* tool = qobject_cast<const QToolButton*>(b))
        if (tool->toolButtonStyle() == Qt::ToolButtonIconOnly && !tool->icon().isNull()) return;
    int needs = 0;
    for (const QString& line : plain(b->text()).split(QLatin1Char('\n')))
        needs = std::max(needs, b->fontMetrics().horizontalAdvance(line));
    if (!b->icon().isNull()) needs += b->iconSize().width() + 4;
    const int has = textRoom(b);
    if (needs > has) clipped << describe(b, plain(b->text()), needs, has);
}

void checkGroupBox(const QGroupBox* g, QStringList& clipped) {
    if (g->title().isEmpty()) return;
    QStyleOptionGroupBox option;
    option.initFrom(g);
    option.text = g->title();
    option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    if (g->isCheckable()) option.subControls |= QStyle::SC_GroupBoxCheckBox;
    const QRect label =
        g->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, g);
    const int needs = label.left() + g->fontMetrics().horizontalAdvance(plain(g->title()));
    if (needs > g->width()) clipped << describe(g, plain(g->title()), needs, g->width());
}

void checkTabs(const QTabBar* bar, QStringList& clipped) {
    const int padding = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
    for (int i = 0; i < bar->count(); ++i) {
        const QString text = plain(bar->tabText(i));
        const QRect tab = bar->tabRect(i);
        const int needs = bar->fontMetrics().horizontalAdvance(text) + padding;
        // A tab past the bar's end hides behind the scroll buttons.
        if (needs > tab.width() || tab.right() >= bar->width())
            clipped << describe(bar, text, needs, std::min(tab.width(), bar->width() - tab.left()));
    }
}

// Shown unless it or a container up to window was hidden; a page of a stack counts as shown.
bool shownIn(const QWidget* w, const QWidget& window) {
    for (; w && w != &window; w = w->parentWidget())
        if (w->isHidden() && !qobject_cast<const QStackedWidget*>(w->parentWidget())) return false;
    return true;
}

} // namespace

QStringList ClippedTexts(QWidget& window) {
    QStringList clipped;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!shownIn(w, window)) continue;
        if (auto* l = qobject_cast<QLabel*>(w)) checkLabel(l, clipped);
        if (auto* b = qobject_cast<QAbstractButton*>(w)) checkButton(b, clipped);
        if (auto* g = qobject_cast<QGroupBox*>(w)) checkGroupBox(g, clipped);
        if (auto* t = qobject_cast<QTabBar*>(w)) checkTabs(t, clipped);
    }
    return clipped;
}

} // namespace kolvar
