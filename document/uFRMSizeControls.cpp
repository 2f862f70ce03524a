#include "document/uFRMSizeControls.h"

#include "formats/DecodeBudget.h"
#include "shell/UserDialogsWidget.h"
#include "shell/uLanguagesSuport.h"

#include <QLabel>
#include <QSpinBox>

namespace kolvar {

QLabel* SizeLabel(QWidget* Parent, const char* Name, const QString& Text) {
    auto* l = new QLabel(Text, Parent);
    l->setObjectName(QString::fromLatin1(Name));
    return l;
}

QSpinBox* SizeEdit(QWidget* Parent, const char* Name, int Min, int Max) {
    auto* e = new QSpinBox(Parent);
    e->setObjectName(QString::fromLatin1(Name));
    e->setRange(Min, Max);
    return e;
}

bool PictureSizeAccepted(QWidget* Dialog, const char* TooLargeVariable, int64_t Width,
                         int64_t Height) {
    if (PictureSizeAllowed(Width, Height)) return true;
    QString text = LanguageSuport().GetVariable(QString::fromLatin1(TooLargeVariable));
    if (text.isEmpty()) text = QStringLiteral("The picture would be too large.");
    UserDialogs().Message(Dialog, Dialog->windowTitle(), text, TMessageIcon::Error);
    return false;
}

} // namespace kolvar
