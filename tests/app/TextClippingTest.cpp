// Every window of the program, opened offscreen in each language at the default font, shows
// the whole text of each label, button, check box, radio button, group box title and tab.
// Windows added to the program join the table in Windows().

#include "common/ScriptedDialogs.h"
#include "filters/FakeFilterDocument.h"
#include "filters/FilterTestSupport.h"

#include "app/uFRMAbout.h"
#include "app/uFRMGradients.h"
#include "app/uFRMMain.h"
#include "app/uFRMPreferences.h"
#include "app/uFRMPrint.h"
#include "app/uFRMSettings.h"
#include "app/uFRMTextures.h"
#include "document/uFRMCanvasSize.h"
#include "document/uFRMDesigner.h"
#include "document/uFRMExportDialog.h"
#include "document/uFRMFileSize.h"
#include "document/uFRMResizeImage.h"
#include "filters/GraphicFilterTable.h"
#include "filters/uFRMFilterDialogs.h"
#include "filters/uFRMHistogram.h"
#include "shell/uFRMHelp.h"
#include "shell/uLanguagesSuport.h"
#include "shell/uLanguagesSuportWidget.h"
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
        {"frmResizeImage", [] { return created<TfrmResizeImage>(); }},
        {"frmCanvasSize", [] { return created<TfrmCanvasSize>(); }},
        {"frmPreferences", [] { return created<TfrmPreferences>(); }},
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

// Walks every page of the window's tab widgets and stacks so hidden pages are measured too.
QStringList clippedOnEveryPage(QWidget& window) {
    QStringList clipped = ClippedTexts(window);
    for (QTabWidget* tabs : window.findChildren<QTabWidget*>())
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QApplication::processEvents();
            clipped << ClippedTexts(window);
        }
    for (QStackedWidget* stack : window.findChildren<QStackedWidget*>()) {
        if (qobject_cast<QTabWidget*>(stack->parentWidget())) continue;
        for (int i = 0; i < stack->count(); ++i) {
            stack->setCurrentIndex(i);
            QApplication::processEvents();
            clipped << ClippedTexts(window);
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
