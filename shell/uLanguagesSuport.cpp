#include "shell/uLanguagesSuport.h"

#include "resources/uCompactRotines.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QStringView>
#include <QTranslator>

#include <array>
#include <memory>
#include <vector>

namespace kolvar {

namespace {

// Walks the ':'-separated fields of one line without splitting it all at once, so that a huge
// line with colons everywhere costs only the fields an entry actually reads.
class TFieldReader {
public:
    explicit TFieldReader(QStringView line) : line_(line) {}

    bool AtEnd() const { return done_; }

    // The next field; past the last field it returns empty strings.
    QStringView Next() {
        if (done_) return {};
        const qsizetype colon = line_.indexOf(QLatin1Char(':'), pos_);
        QStringView field;
        if (colon < 0) {
            field = line_.mid(pos_);
            done_ = true;
        } else {
            field = line_.mid(pos_, colon - pos_);
            pos_ = colon + 1;
        }
        return field;
    }

    // Up to count further fields; fewer when the line ends first.
    QStringList Take(qsizetype count) {
        QStringList items;
        while (count-- > 0 && !done_) items << Next().toString();
        return items;
    }

private:
    QStringView line_;
    qsizetype pos_ = 0;
    bool done_ = false;
};

QStringView fieldZero(QStringView line) {
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    return (colon < 0 ? line : line.left(colon)).trimmed();
}

bool sameText(QStringView a, QLatin1String b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A count must read as a positive decimal integer; otherwise the entry does nothing.
qsizetype readCount(QStringView field) {
    bool ok = false;
    const qlonglong n = field.trimmed().toLongLong(&ok, 10);
    return ok && n > 0 ? qsizetype(n) : 0;
}

QStringList splitLines(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (!lines.isEmpty() && lines.constLast().isEmpty()) lines.removeLast();
    return lines;
}

// The text of a "msgid:" or "msgstr:" line: everything after the keyword, less one final ':',
// with "\n" standing for a line break (a line of the file cannot hold one).
QString messageText(const QString& line) {
    QString text = line.mid(line.indexOf(QLatin1Char(':')) + 1);
    if (text.endsWith(QLatin1Char(':'))) text.chop(1);
    return text.replace(QLatin1String("\\n"), QLatin1String("\n"));
}

QHash<QString, QString> readMessages(const QStringList& lines) {
    QHash<QString, QString> messages;
    bool inside = false;
    QString english;
    bool haveEnglish = false;
    for (const QString& line : lines) {
        const QStringView keyword = fieldZero(line);
        if (sameText(keyword, QLatin1String("messages"))) {
            inside = true;
        } else if (sameText(keyword, QLatin1String("/messages"))) {
            inside = false;
        } else if (!inside) {
            continue;
        } else if (sameText(keyword, QLatin1String("msgid"))) {
            english = messageText(line);
            haveEnglish = !english.isEmpty();
        } else if (sameText(keyword, QLatin1String("msgstr")) && haveEnglish) {
            // An empty translation means "not translated yet": the English text shows.
            const QString text = messageText(line);
            if (!text.isEmpty()) messages.insert(english, text);
            haveEnglish = false;
        }
    }
    return messages;
}

} // namespace

QString DecodeWindows1252(const QByteArray& bytes) {
    static constexpr std::array<char16_t, 32> high = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto b = uint8_t(c);
        *out++ = (b >= 0x80 && b <= 0x9F) ? QChar(high[b - 0x80]) : QChar(char16_t(b));
    }
    return text;
}

void TLanguageSuport::Load(const QString& name) {
    // The resource is read before anything changes, so that a missing one leaves the current
    // language (and the name written to the settings) as it was.
    const QByteArray bytes = CompressedResourceBytes(name);
    LoadFromText(name.toUpper(), bytes);
}

void TLanguageSuport::LoadFromText(const QString& name, const QByteArray& text) {
    languageName_ = name;
    lines_ = splitLines(DecodeWindows1252(text));
    messages_ = readMessages(lines_);
}

QString TLanguageSuport::Message(const QString& english) const {
    return messages_.value(english, english);
}

void TLanguageSuport::Apply(TTranslationTarget& window) {
    const QString name = window.ComponentName();
    if (lines_.isEmpty() || name.isEmpty()) return;
    const QString endName = QLatin1Char('/') + name;
    bool inside = false;
    for (const QString& line : lines_) {
        const QStringView keyword = fieldZero(line);
        if (keyword.compare(name, Qt::CaseInsensitive) == 0) inside = true;
        if (keyword.compare(endName, Qt::CaseInsensitive) == 0) return;
        if (inside) Execute(window, line);
    }
}

void TLanguageSuport::Execute(TTranslationTarget& window, const QString& line) {
    TFieldReader fields(line);
    const QStringView keyword = fields.Next().trimmed();
    if (sameText(keyword, QLatin1String("caption"))) {
        const QString text = fields.Next().toString();
        if (!text.isEmpty()) window.SetCaption(text);
    } else if (sameText(keyword, QLatin1String("component"))) {
        const QString component = fields.Next().trimmed().toString();
        const QString caption = fields.Next().toString();
        const QString hint = fields.Next().toString();
        if (component.isEmpty()) return;
        if (!caption.isEmpty()) window.SetComponentCaption(component, caption);
        if (!hint.isEmpty()) window.SetComponentHint(component, hint);
    } else if (sameText(keyword, QLatin1String("memo")) ||
               sameText(keyword, QLatin1String("combobox"))) {
        const bool memo = sameText(keyword, QLatin1String("memo"));
        const QString component = fields.Next().trimmed().toString();
        const qsizetype count = readCount(fields.Next());
        if (component.isEmpty() || count == 0) return;
        const QStringList items = fields.Take(count);
        if (memo)
            window.SetMemoLines(component, items);
        else
            window.SetComboItems(component, items);
    } else if (sameText(keyword, QLatin1String("radiogroup"))) {
        const QString component = fields.Next().trimmed().toString();
        const QString caption = fields.Next().toString();
        const qsizetype count = readCount(fields.Next());
        if (component.isEmpty() || count == 0) return;
        window.SetRadioGroup(component, caption, fields.Take(count));
    } else if (sameText(keyword, QLatin1String("variable"))) {
        const QString variable = fields.Next().trimmed().toString();
        if (!variable.isEmpty()) SetVariable(variable, fields.Next().toString());
    }
}

void TLanguageSuport::SetVariable(const QString& name, const QString& value) {
    variables_.insert(name.toLower(), value);
}

QString TLanguageSuport::GetVariable(const QString& name) const {
    return variables_.value(name.toLower());
}

TLanguageSuport& LanguageSuport() {
    static TLanguageSuport language;
    return language;
}

QString LanguageMessage(const QString& english) {
    return LanguageSuport().Message(english);
}

QString LanguageFilter(const QString& filter) {
    QStringList entries = filter.split(QLatin1String(";;"));
    for (QString& entry : entries) {
        const qsizetype open = entry.lastIndexOf(QLatin1String(" ("));
        if (open > 0) entry = LanguageMessage(entry.left(open)) + entry.mid(open);
    }
    return entries.join(QLatin1String(";;"));
}

} // namespace kolvar

namespace kolvar {

bool UseToolkitLanguage(const QString& languageName) {
    static std::vector<std::unique_ptr<QTranslator>> installed;
    for (const auto& t : installed) QCoreApplication::removeTranslator(t.get());
    installed.clear();
    if (languageName.compare(QLatin1String("PORTUGUESE"), Qt::CaseInsensitive) != 0)
        return languageName.compare(QLatin1String("ENGLISH"), Qt::CaseInsensitive) == 0;
    // The European catalogue matches the program's own wording but leaves the standard
    // buttons (Yes, No, Cancel) untranslated; the Brazilian one covers them. Qt asks the
    // translator installed last first, so the European wording wins where it has one.
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* catalogue : {"qtbase_pt_BR", "qt_pt_PT"}) {
        auto t = std::make_unique<QTranslator>();
        if (!t->load(QLatin1String(catalogue), folder)) continue;
        QCoreApplication::installTranslator(t.get());
        installed.push_back(std::move(t));
    }
    return !installed.empty();
}

} // namespace kolvar
