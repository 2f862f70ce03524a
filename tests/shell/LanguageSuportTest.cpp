#include "resources/uCompactRotines.h"
#include "shell/uLanguagesSuport.h"
#include "shell/uLanguagesSuportWidget.h"

#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

using namespace kolvar;

namespace {

QByteArray crlf(const char* text) {
    return QByteArray(text).replace("\n", "\r\n");
}

// A small window with one component of each kind the language text addresses.
struct TTestWindow {
    QWidget window;
    QToolButton* sbSave = new QToolButton(&window);
    QLabel* lblName = new QLabel(QStringLiteral("name"), &window);
    QComboBox* cmbItems = new QComboBox(&window);
    QPlainTextEdit* mmText = new QPlainTextEdit(&window);
    QGroupBox* rgForm = new QGroupBox(&window);
    QTabWidget* tabs = new QTabWidget(&window);
    QWidget* tsPage = new QWidget;

    explicit TTestWindow(const QString& name) {
        window.setObjectName(name);
        window.setWindowTitle(QStringLiteral("untranslated"));
        sbSave->setObjectName(QStringLiteral("sbSave"));
        sbSave->setText(QStringLiteral("S"));
        lblName->setObjectName(QStringLiteral("lblName"));
        cmbItems->setObjectName(QStringLiteral("cmbItems"));
        cmbItems->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        mmText->setObjectName(QStringLiteral("mmText"));
        rgForm->setObjectName(QStringLiteral("rgForm"));
        auto* layout = new QVBoxLayout(rgForm);
        for (int i = 0; i < 3; ++i) layout->addWidget(new QRadioButton(rgForm));
        tsPage->setObjectName(QStringLiteral("tsPage"));
        tabs->addTab(tsPage, QStringLiteral("page"));
    }

    QStringList comboItems() const {
        QStringList items;
        for (int i = 0; i < cmbItems->count(); ++i) items << cmbItems->itemText(i);
        return items;
    }
    QStringList radioItems() const {
        QStringList items;
        for (QRadioButton* b : rgForm->findChildren<QRadioButton*>()) items << b->text();
        return items;
    }
};

TLanguageSuport languageFrom(const QByteArray& text) {
    TLanguageSuport language;
    language.LoadFromText(QStringLiteral("TEST"), text);
    return language;
}

} // namespace

TEST(LanguageText, SectionEntriesReachTheirComponents) {
    TLanguageSuport language = languageFrom(crlf("main:\n"
                                                 "message:msg001:Confirm delete?:\n"
                                                 "/main:\n"
                                                 "forms:\n"
                                                 "frmOther:\n"
                                                 "caption:Other:\n"
                                                 "component:sbSave:wrong:wrong:\n"
                                                 "/frmOther:\n"
                                                 "frmTest\n"
                                                 "Caption:Blur:\n"
                                                 "component:sbSave::Save:\n"
                                                 "COMPONENT:LBLNAME:Name::\n"
                                                 "component:tsPage:Page:Page hint:\n"
                                                 "combobox:cmbItems:2:One:Two:\n"
                                                 "memo:mmText:2:Line one:Line two:\n"
                                                 "radiogroup:rgForm: Wave Form :2:Sine:SawTooth:\n"
                                                 "unknown:sbSave:nonsense:\n"
                                                 "variable:frmTest_Alpha:Alpha:\n"
                                                 "/frmTest\n"
                                                 "component:sbSave:after:after:\n"
                                                 "/forms:\n"));
    TTestWindow w(QStringLiteral("frmtest")); // window names match without regard to case
    TWidgetTranslationTarget target(w.window);
    language.Apply(target);

    EXPECT_EQ(w.window.windowTitle(), QStringLiteral("Blur"));
    EXPECT_EQ(w.sbSave->text(), QStringLiteral("S")) << "an empty caption field keeps the caption";
    EXPECT_EQ(w.sbSave->toolTip(), QStringLiteral("Save"));
    EXPECT_EQ(w.lblName->text(), QStringLiteral("Name"));
    EXPECT_EQ(w.tabs->tabText(0), QStringLiteral("Page"));
    EXPECT_EQ(w.tabs->tabToolTip(0), QStringLiteral("Page hint"));
    EXPECT_EQ(w.comboItems(), QStringList({"One", "Two"}));
    EXPECT_EQ(w.cmbItems->currentIndex(), 0);
    EXPECT_EQ(w.mmText->toPlainText(), QStringLiteral("Line one\nLine two"));
    EXPECT_EQ(w.rgForm->title(), QStringLiteral(" Wave Form "));
    EXPECT_EQ(w.radioItems(), QStringList({"Sine", "SawTooth"}));
    EXPECT_EQ(language.GetVariable(QStringLiteral("FRMTEST_ALPHA")), QStringLiteral("Alpha"));

    TTestWindow other(QStringLiteral("frmNoSection"));
    ApplyLanguage(other.window, language);
    EXPECT_EQ(other.window.windowTitle(), QStringLiteral("untranslated"));
    EXPECT_EQ(other.sbSave->toolTip(), QString());
}

TEST(LanguageText, RadioGroupsGrowAndShrinkAndCombosKeepTheirChoice) {
    TTestWindow w(QStringLiteral("frmTest"));
    w.cmbItems->setCurrentIndex(1);
    TLanguageSuport grow = languageFrom("frmTest:\n"
                                        "radiogroup:rgForm::5:A:B:C:D:E:\n"
                                        "combobox:cmbItems:3:x:y:z:\n");
    ApplyLanguage(w.window, grow);
    EXPECT_EQ(w.radioItems(), QStringList({"A", "B", "C", "D", "E"}));
    EXPECT_EQ(w.rgForm->title(), QString()) << "an empty caption leaves the group's caption";
    EXPECT_EQ(w.cmbItems->currentIndex(), 1);

    TLanguageSuport shrink = languageFrom("frmTest:\nradiogroup:rgForm:Mode:1:Only:\n");
    ApplyLanguage(w.window, shrink);
    EXPECT_EQ(w.radioItems(), QStringList({"Only"}));
    EXPECT_EQ(w.rgForm->title(), QStringLiteral("Mode"));
}

TEST(LanguageText, MalformedTextsAreAppliedWithoutHarm) {
    const QByteArray huge(1 << 20, ':');
    const QByteArray longCaption = "caption:" + QByteArray(1 << 20, 'x') + ":";
    QByteArray text = crlf("frmTest:\n"
                           "\n"
                           "/\n"
                           ":::::\n"
                           "caption::\n"
                           "caption\n"
                           "component:::\n"
                           "component:sbSave\n"
                           "component:nobody:Ghost:Ghost:\n"
                           "frobnicate:sbSave:x:y:\n"
                           "combobox:cmbItems:two:A:B:\n"
                           "combobox:cmbItems:0:A:B:\n"
                           "combobox:cmbItems:-3:A:B:\n"
                           "memo:mmText:99999999999999999999:A:\n"
                           "radiogroup:rgForm:Caption:x:A:B:\n"
                           "memo:mmText:1000000000:only:two\n"
                           "variable:::\n");
    text += huge + "\r\n" + longCaption + "\r\n";
    text += "combobox:cmbItems:" + QByteArray::number(1 << 30) + QByteArray(10000, ':') + "\r\n";
    text += QByteArray("\0\xff\x80", 3) + "\r\n"; // no end line: the section runs to the end

    TTestWindow w(QStringLiteral("frmTest"));
    TLanguageSuport language = languageFrom(text);
    ApplyLanguage(w.window, language);

    EXPECT_EQ(w.window.windowTitle().size(), 1 << 20);
    EXPECT_EQ(w.sbSave->text(), QStringLiteral("S"));
    EXPECT_EQ(w.sbSave->toolTip(), QString());
    EXPECT_EQ(w.mmText->toPlainText(), QStringLiteral("only\ntwo"))
        << "a count beyond the line takes the fields that are there";
    EXPECT_EQ(w.rgForm->title(), QString()) << "a bad count makes the whole entry do nothing";
    EXPECT_EQ(w.radioItems().size(), 3);
    // The last combobox line's huge count stops at the end of its line: 10000 empty items.
    EXPECT_EQ(w.cmbItems->count(), 10000);
    EXPECT_EQ(language.GetVariable(QString()), QString());
}

TEST(LanguageText, Windows1252IsDecoded) {
    EXPECT_EQ(DecodeWindows1252(QByteArray("\x80\xe9\x9f\x41\x81\xa0", 6)),
              QString::fromUtf8("\u20ac\u00e9\u0178A\u0081\u00a0"));
    TTestWindow w(QStringLiteral("frmTest"));
    TLanguageSuport language =
        languageFrom("frmTest:\ncomponent:lblName:Ingl\xeas:\x93quoted\x94:\r\n");
    ApplyLanguage(w.window, language);
    EXPECT_EQ(w.lblName->text(), QString::fromUtf8("Ingl\u00eas"));
    EXPECT_EQ(w.lblName->toolTip(), QString::fromUtf8("\u201cquoted\u201d"));
}

TEST(LanguageText, VariablesFollowTheLastTranslationAndBadNamesChangeNothing) {
    TLanguageSuport language;
    EXPECT_FALSE(language.IsLoaded());
    QWidget settings;
    settings.setObjectName(QStringLiteral("frmSettings"));
    ApplyLanguage(settings, language); // nothing loaded: nothing happens
    EXPECT_EQ(language.GetVariable(QStringLiteral("frmSettings_Alpha")), QString());

    language.Load(QStringLiteral("english"));
    EXPECT_EQ(language.LanguageName(), QStringLiteral("ENGLISH"));
    ApplyLanguage(settings, language);
    EXPECT_EQ(language.GetVariable(QStringLiteral("frmSettings_Alpha")), QStringLiteral("Alpha"));

    language.Load(QStringLiteral("PORTUGUESE"));
    EXPECT_EQ(language.GetVariable(QStringLiteral("frmSettings_Alpha")), QStringLiteral("Alpha"))
        << "variables change when the palette is translated, not at Load";
    ApplyLanguage(settings, language);
    EXPECT_EQ(language.GetVariable(QStringLiteral("frmSettings_Alpha")),
              QStringLiteral("Transparente"));
    EXPECT_EQ(language.GetVariable(QStringLiteral("FRMSETTINGS_OPAQUE")), QStringLiteral("Opaco"));
    EXPECT_EQ(language.GetVariable(QStringLiteral("frmSettings_Transparent")),
              QStringLiteral("Transparente"));
    EXPECT_EQ(language.GetVariable(QStringLiteral("frmSettings_Nothing")), QString());

    const QStringList before = language.Lines();
    EXPECT_THROW(language.Load(QStringLiteral("KLINGON")), EResNotFound);
    EXPECT_EQ(language.LanguageName(), QStringLiteral("PORTUGUESE"));
    EXPECT_EQ(language.Lines(), before);
}

namespace {

// (section, keyword, component) of every entry of a language resource, texts left out.
using TEntry = std::tuple<QString, QString, QString>;

QList<TEntry> entriesOf(const QString& resource, QStringList& sections) {
    TLanguageSuport language;
    language.Load(resource);
    QList<TEntry> entries;
    QString section;
    bool inForms = false;
    for (const QString& line : language.Lines()) {
        const QStringList f = line.split(QLatin1Char(':'));
        const QString keyword = f[0].toLower();
        if (keyword == QLatin1String("forms")) {
            inForms = true;
        } else if (!inForms || keyword == QLatin1String("/forms")) {
            continue;
        } else if (keyword.startsWith(QLatin1String("frm"))) {
            section = f[0];
            sections << section;
        } else if (keyword == QLatin1Char('/') + section.toLower()) {
            entries << TEntry(section, QStringLiteral("end"), QString());
            section.clear();
        } else {
            const bool named = keyword != QLatin1String("caption");
            entries << TEntry(section, keyword, named ? f.value(1) : QString());
        }
    }
    return entries;
}

} // namespace

TEST(LanguageResources, EnglishAndPortugueseHoldTheSameSectionsAndComponents) {
    QStringList english, portuguese;
    const QList<TEntry> en = entriesOf(QStringLiteral("ENGLISH"), english);
    const QList<TEntry> pt = entriesOf(QStringLiteral("PORTUGUESE"), portuguese);
    EXPECT_EQ(english, portuguese);
    ASSERT_EQ(en.size(), pt.size());
    for (qsizetype i = 0; i < en.size(); ++i) EXPECT_EQ(en[i], pt[i]) << "entry " << i;

    const QStringList expected =
        QStringLiteral(
            "frmKolvar frmShapes frmSettings frmAbout frmExportDialog frmDefineFileSize "
            "frmPreferences frmFilterBlur "
            "frmFilterContrast frmFilterConvolution frmFilterEmboss frmFilterFishEye "
            "frmFilterHistogram frmFilterHSV frmFilterHSL frmFilterLAB frmFilterRGB frmFilterLens "
            "frmFilterLightness frmFilterMarble frmFilterMirror frmFilterMotionBlur frmFilterNoise "
            "frmFilterPlasma frmFilterPosterize frmFilterRipple frmFilterRough frmFilterSobel "
            "frmFilterSolarize frmFilterSplitBlur frmFilterWaves frmFilterWhirlPinch frmGradients "
            "frmHistogram frmPrint frmText frmTextures frmDesigner frmHelp frmPrintPreview frmResizeImage frmCanvasSize")
            .split(QLatin1Char(' '));
    EXPECT_EQ(english, expected);
    EXPECT_EQ(std::count_if(en.begin(), en.end(),
                            [](const TEntry& e) { return std::get<1>(e) == QLatin1String("end"); }),
              expected.size())
        << "every section has its end line";

    for (const char* name : {"ENGLISH", "PORTUGUESE"}) {
        const QByteArray bytes = CompressedResourceBytes(QString::fromLatin1(name));
        EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n")) << name << " uses CR LF line ends";
    }
}

TEST(LanguageMessages, PairsAreReadVerbatimAndMissingOnesStayEnglish) {
    TLanguageSuport language = languageFrom(crlf("main:\n"
                                                 "/main:\n"
                                                 "messages:\n"
                                                 "msgid:Open Error:\n"
                                                 "msgstr:Erro ao abrir:\n"
                                                 "MSGID:Problems to open file: %1:\n"
                                                 "msgstr:Problemas ao abrir o ficheiro: %1:\n"
                                                 "msgid:Two lines.\\nSecond\n"
                                                 "msgstr:Duas linhas.\\nSegunda\n"
                                                 "msgid:Not yet:\n"
                                                 "msgstr::\n"
                                                 "msgstr:an orphan wording:\n"
                                                 "/messages:\n"
                                                 "msgid:Outside:\n"
                                                 "msgstr:Fora:\n"
                                                 "forms:\n"
                                                 "/forms:\n"));
    EXPECT_EQ(language.Message(QStringLiteral("Open Error")), QStringLiteral("Erro ao abrir"));
    EXPECT_EQ(language.Message(QStringLiteral("Problems to open file: %1")).arg("a.ptl"),
              QStringLiteral("Problemas ao abrir o ficheiro: a.ptl"))
        << "a colon inside a message needs no escape";
    EXPECT_EQ(language.Message(QStringLiteral("Two lines.\nSecond")),
              QStringLiteral("Duas linhas.\nSegunda"));
    for (const char* english : {"Not yet", "Outside", "Unknown", ""})
        EXPECT_EQ(language.Message(QString::fromLatin1(english)), QString::fromLatin1(english));
    EXPECT_EQ(language.Messages().size(), 3);
}

namespace {

// Every English text the program passes to LanguageMessage as a literal.
QStringList messageLiteralsInSources() {
    static const QRegularExpression call(QStringLiteral(
        R"re(LanguageMessage\(\s*QStringLiteral\(\s*"((?:[^"\\]|\\.)*)"\s*\)\s*\))re"));
    QStringList found;
    for (const char* dir : {"app", "document", "filters", "vector", "shell"}) {
        QDirIterator it(QStringLiteral(KOLVAR_SOURCE_DIR "/") + QLatin1String(dir),
                        {QStringLiteral("*.cpp")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile f(it.next());
            if (!f.open(QIODevice::ReadOnly)) continue;
            const QString text = QString::fromUtf8(f.readAll());
            for (auto m = call.globalMatch(text); m.hasNext();)
                found << m.next().captured(1).replace(QLatin1String("\\n"), QLatin1String("\n"));
        }
    }
    found.removeDuplicates();
    return found;
}

} // namespace

TEST(LanguageMessages, EveryMessageOfTheProgramHasItsPortugueseWordingWithTheSamePlaceholders) {
    TLanguageSuport english;
    english.Load(QStringLiteral("ENGLISH"));
    TLanguageSuport portuguese;
    portuguese.Load(QStringLiteral("PORTUGUESE"));

    const QStringList messages = messageLiteralsInSources();
    ASSERT_GE(messages.size(), 10) << "the source scan found the program's messages";
    static const QRegularExpression placeholder(QStringLiteral("%\\d"));
    auto placeholders = [](const QString& s) {
        QStringList p;
        for (auto m = placeholder.globalMatch(s); m.hasNext();) p << m.next().captured();
        p.sort();
        return p;
    };
    for (const QString& m : messages) {
        EXPECT_EQ(english.Message(m), m) << "English shows the text to the letter";
        EXPECT_TRUE(portuguese.Messages().contains(m)) << "no Portuguese for: " << m.toStdString();
    }
    for (auto it = portuguese.Messages().begin(); it != portuguese.Messages().end(); ++it)
        EXPECT_EQ(placeholders(it.key()), placeholders(it.value())) << it.key().toStdString();
}

TEST(ToolkitLanguage, QtsOwnButtonsFollowTheLanguage) {
    auto yesText = [] {
        QMessageBox box;
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        return box.button(QMessageBox::Yes)->text() + QLatin1Char('|') +
               box.button(QMessageBox::No)->text() + QLatin1Char('|') +
               box.button(QMessageBox::Cancel)->text();
    };
    if (!UseToolkitLanguage(QStringLiteral("PORTUGUESE"))) {
        UseToolkitLanguage(QStringLiteral("ENGLISH"));
        GTEST_SKIP() << "Qt's Portuguese catalogues are not installed (qt6-translations-l10n)";
    }
    EXPECT_EQ(yesText(), QStringLiteral("&Sim|&Não|Cancelar"));
    EXPECT_TRUE(UseToolkitLanguage(QStringLiteral("ENGLISH")));
    EXPECT_EQ(yesText(), QStringLiteral("&Yes|&No|Cancel"));
    EXPECT_FALSE(UseToolkitLanguage(QStringLiteral("KLINGON")));
    EXPECT_EQ(yesText(), QStringLiteral("&Yes|&No|Cancel"));
}
