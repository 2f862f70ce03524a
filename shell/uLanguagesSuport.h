#pragma once
// The language texts: every user-visible caption, hint and list item of the windows, replaced
// at run time from the ENGLISH or PORTUGUESE resource, plus a few named strings.
//
// A text is a list of lines of ':'-separated fields, field 0 being the keyword. Window sections
// run from a line "<window name>:" to "/<window name>:" and hold "caption", "component",
// "memo", "combobox", "radiogroup" and "variable" entries. This unit parses and executes the
// text; uLanguagesSuportWidget carries the entries onto Qt widgets.
//
// Message box texts are not properties of a window: they live in the text's "messages:" ..
// "/messages:" section as pairs of lines, the English wording and this language's:
//
//   msgid:Could not write file %1.:
//   msgstr:Não foi possível gravar o ficheiro %1.:
//
// The text is the rest of the line after the keyword, less one final ':', so a colon inside a
// message needs no escape; "\n" stands for a line break. Code asks LanguageMessage("Could not write
// file %1.").arg(path).

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

namespace kolvar {

// What a window offers to a language text. Every setter skips a component that the window
// does not own. Empty captions and hints never reach the setters.
class TTranslationTarget {
public:
    virtual ~TTranslationTarget() = default;
    // The window's component name, which names its section ("frmKolvar").
    virtual QString ComponentName() const = 0;
    virtual void SetCaption(const QString& text) = 0;
    virtual void SetComponentCaption(const QString& name, const QString& text) = 0;
    virtual void SetComponentHint(const QString& name, const QString& text) = 0;
    virtual void SetMemoLines(const QString& name, const QStringList& lines) = 0;
    virtual void SetComboItems(const QString& name, const QStringList& items) = 0;
    // caption is empty when the entry leaves the group's caption alone.
    virtual void SetRadioGroup(const QString& name, const QString& caption,
                               const QStringList& items) = 0;
};

class TLanguageSuport {
public:
    // Makes the named language resource current. The window texts change only when a window
    // is applied again. A name without a resource raises EResNotFound and changes nothing.
    void Load(const QString& name);
    // The same from the bytes of a language text (Windows-1252, CR LF or LF line ends).
    void LoadFromText(const QString& name, const QByteArray& text);

    // Translates one window by its section; nothing happens without a loaded text or when
    // the text has no section for the window. Defines the section's variables.
    void Apply(TTranslationTarget& window);

    // The value of a variable defined by the last window section that named it; empty when
    // no applied section defined it. Names compare without regard to case.
    QString GetVariable(const QString& name) const;

    // This language's wording of a message given in English; the English text itself when the
    // language has no entry for it (so English mode shows it to the letter). Placeholders
    // ("%1") pass through for QString::arg.
    QString Message(const QString& english) const;
    // Every message this language words, by its English text.
    const QHash<QString, QString>& Messages() const { return messages_; }

    // The resource name last loaded ("ENGLISH", "PORTUGUESE"); empty before the first Load.
    const QString& LanguageName() const { return languageName_; }
    const QStringList& Lines() const { return lines_; }
    bool IsLoaded() const { return !lines_.isEmpty(); }

private:
    void Execute(TTranslationTarget& window, const QString& line);
    void SetVariable(const QString& name, const QString& value);

    QStringList lines_;
    QString languageName_;
    QHash<QString, QString> variables_; // keyed by the lower-cased name
    QHash<QString, QString> messages_;  // English wording -> this language's
};

// The program's one language object.
TLanguageSuport& LanguageSuport();

// The current language's wording of a message box text or caption given in English:
//   UserDialogs().Message(this, LanguageMessage("Save Error"),
//                         LanguageMessage("Could not write file %1.").arg(name), ...);
QString LanguageMessage(const QString& english);

// A file dialog filter ("Bitmaps (*.bmp);;PNG Files (*.png)") with each entry's name in the
// current language; the patterns stay.
QString LanguageFilter(const QString& filter);

// Switches Qt's own texts (standard buttons, the file, colour, font and print dialogs) to the
// named language ("ENGLISH", "PORTUGUESE") from the catalogues installed with Qt. Returns
// false when a language other than English has no catalogue there; Qt then stays English.
bool UseToolkitLanguage(const QString& languageName);

// Windows-1252 bytes as text (the five unassigned codes map to the control characters of the
// same value, as the platform's conversion does).
QString DecodeWindows1252(const QByteArray& bytes);

} // namespace kolvar
