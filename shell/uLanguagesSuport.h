#pragma once
// The language texts: every user-visible caption, hint and list item of the windows, replaced
// at run time from the ENGLISH or PORTUGUESE resource, plus a few named strings.
//
// A text is a list of lines of ':'-separated fields, field 0 being the keyword. Window sections
// run from a line "<window name>:" to "/<window name>:" and hold "caption", "component",
// "memo", "combobox", "radiogroup" and "variable" entries. This unit parses and executes the
// text; uLanguagesSuportWidget carries the entries onto Qt widgets.

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
};

// The program's one language object.
TLanguageSuport& LanguageSuport();

// Windows-1252 bytes as text (the five unassigned codes map to the control characters of the
// same value, as the platform's conversion does).
QString DecodeWindows1252(const QByteArray& bytes);

} // namespace kolvar
