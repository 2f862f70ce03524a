// Every window of the program, opened offscreen in each language at the default font, shows
// the whole text of each label, button, check box, radio button, group box title and tab.
// Windows added to the program join the table in Windows().

#include "common/ScriptedDialogs.h"
#include "filters/FakeFilterDocument.h"
#include "filters/FilterTestSupport.h"

#include "app/uFRMAbout.h"
#include "app/uFRMGradients.h"
#include "app/uFRMHelp.h"
#include "app/uFRMMain.h"
#include "app/uFRMPrint.h"
#include "app/uFRMSettings.h"
#include "app/uFRMTextures.h"
#include "app/uLanguagesSuport.h"
#include "document/uFRMDesigner.h"
#include "document/uFRMExportDialog.h"
#include "document/uFRMFileSize.h"
#include "filters/GraphicFilterTable.h"
#include "filters/uFRMFilterDialogs.h"
#include "filters/uFRMHistogram.h"
#include "vector/uFRMShapes.h"
#include "vector/uFRMText.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace kolvar;
using namespace kolvar::test;

namespace {

struct TWindowRow {
    QString Name;
    std::function<std::unique_ptr<QWidget>()> Open; // a created window, not yet shown
};

QImage picture() {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image;
}

template <class T, class... Args> std::unique_ptr<QWidget> created(Args&&... args) {
    auto w = std::make_unique<T>(std::forward<Args>(args)...);
    w->EnsureCreated();
    return w;
}

// The program's windows. The filter dialogs follow the filter table.
std::vector<TWindowRow> Windows(TFilterDocument& document) {
    std::vector<TWindowRow> rows = {
        {"frmKolvar", [] { return created<TfrmKolvar>(); }},
        {"frmShapes", [] { return created<TfrmShapes>(); }},
        {"frmSettings", [] { return created<TfrmSettings>(); }},
        {"frmAbout", [] { return created<TfrmAbout>(); }},
        {"frmExportDialog", [] { return created<TfrmExportDialog>(picture()); }},
        {"frmDefineFileSize", [] { return created<TfrmDefineFileSize>(); }},
        {"frmGradients", [] { return created<TfrmGradients>(); }},
        {"frmTextures", [] { return created<TfrmTextures>(); }},
        {"frmText", [] { return created<TfrmText>(); }},
        {"frmPrint", [] { return created<TfrmPrint>(picture()); }},
        {"frmPrintPreview", [] { return created<TfrmPrintPreview>(picture(), 3); }},
        {"frmHelp", [] { return created<TfrmHelp>(); }},
        {"frmHistogram", [] { return created<TfrmHistogram>(NoiseImage(64, 48, 5)); }},
        {"frmDesigner", [] { return created<TfrmDesigner>(nullptr); }},
    };
    for (const TFilterInfo& info : FilterTable()) {
        if (info.Direct()) continue;
        rows.push_back({info.DialogClass + QLatin1Char(' ') + info.Name, [&info, &document] {
                            std::unique_ptr<QWidget> d =
                                CreateFilterDialog(info, document, nullptr);
                            static_cast<TfrmKolvarWnd*>(d.get())->EnsureCreated();
                            return d;
                        }});
    }
    return rows;
}

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

// The texts of the shown part of window that do not fit.
QStringList clippedTexts(QWidget& window) {
    QStringList clipped;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&window)) continue;
        if (auto* l = qobject_cast<QLabel*>(w)) checkLabel(l, clipped);
        if (auto* b = qobject_cast<QAbstractButton*>(w)) checkButton(b, clipped);
        if (auto* g = qobject_cast<QGroupBox*>(w)) checkGroupBox(g, clipped);
        if (auto* t = qobject_cast<QTabBar*>(w)) checkTabs(t, clipped);
    }
    return clipped;
}

// Walks every page of the window's tab widgets and stacks so hidden pages are measured too.
QStringList clippedOnEveryPage(QWidget& window) {
    QStringList clipped = clippedTexts(window);
    for (QTabWidget* tabs : window.findChildren<QTabWidget*>())
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QApplication::processEvents();
            clipped << clippedTexts(window);
        }
    for (QStackedWidget* stack : window.findChildren<QStackedWidget*>()) {
        if (qobject_cast<QTabWidget*>(stack->parentWidget())) continue;
        for (int i = 0; i < stack->count(); ++i) {
            stack->setCurrentIndex(i);
            QApplication::processEvents();
            clipped << clippedTexts(window);
        }
    }
    clipped.removeDuplicates();
    return clipped;
}

class TextClipping : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        qputenv("KOLVAR_HOME", home_.path().toLocal8Bit());
        QFile ini(home_.filePath(QStringLiteral("kolvar.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(QByteArray("[Main]\r\nIdiom=") + GetParam() + "\r\n");
        ini.close();
        LanguageSuport().Load(QString::fromLatin1(GetParam()));
    }
    void TearDown() override {
        LanguageSuport().Load(QStringLiteral("ENGLISH"));
        qunsetenv("KOLVAR_HOME");
    }

    QTemporaryDir home_;
    TScriptedDialogs dialogs_;
    TFakeFilterDocument document_{NoiseImage(64, 48, 3)};
};

} // namespace

TEST_P(TextClipping, EveryWindowShowsItsWholeTexts) {
    for (const TWindowRow& row : Windows(document_)) {
        SCOPED_TRACE(row.Name.toStdString());
        std::unique_ptr<QWidget> window = row.Open();
        window->show();
        QApplication::processEvents();
        const QStringList clipped = clippedOnEveryPage(*window);
        EXPECT_TRUE(clipped.isEmpty()) << row.Name.toStdString() << " in " << GetParam() << ":\n  "
                                       << clipped.join(QStringLiteral("\n  ")).toStdString();
        window->hide();
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, TextClipping, testing::Values("ENGLISH", "PORTUGUESE"));
