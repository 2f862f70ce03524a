#pragma once
// The English texts of the message boxes that protect the user's work. Portuguese:
//   "Error"                                -> "Erro"
//   "Not enough memory for this picture."  -> "Memória insuficiente para esta imagem."
//   "Unknown error."                       -> "Erro desconhecido."
//   "Recover unsaved pictures?"            -> "Recuperar imagens não salvas?"
//   "Cancel" (the close question's third button) -> "Cancelar"

#include <QString>

namespace kolvar {

inline const QString kErrorCaption = QStringLiteral("Error");
inline const QString kNotEnoughMemoryText = QStringLiteral("Not enough memory for this picture.");
inline const QString kUnknownErrorText = QStringLiteral("Unknown error.");
inline const QString kRecoverCaption = QStringLiteral("Kolvar");
inline const QString kRecoverQuestion = QStringLiteral("Recover unsaved pictures?");

} // namespace kolvar
