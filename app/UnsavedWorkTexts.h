#pragma once
// The English texts of the message boxes that protect the user's work; they are the keys of
// their translations in the language texts' messages section.

#include <QString>

namespace kolvar {

inline const QString kErrorCaption = QStringLiteral("Error");
inline const QString kNotEnoughMemoryText = QStringLiteral("Not enough memory for this picture.");
inline const QString kUnknownErrorText = QStringLiteral("Unknown error.");
inline const QString kRecoverCaption = QStringLiteral("Kolvar");
inline const QString kRecoverQuestion = QStringLiteral("Recover unsaved pictures?");

} // namespace kolvar
