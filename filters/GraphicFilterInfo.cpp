#include "filters/GraphicFilterInfo.h"

#include <utility>

namespace kolvar {

const TFilterParam* TFilterInfo::FindParam(const QString& option) const {
    for (const TFilterParam& p : Params)
        if (p.Option.compare(option, Qt::CaseInsensitive) == 0) return &p;
    return nullptr;
}

TFilterInfo MakeFilterInfo(int32_t tag, const char* name, const char* item, const char* caption,
                           const char* dialog, const char* dialogCaption, int32_t help,
                           const char* className, TFilterFactory create) {
    TFilterInfo r;
    r.Tag = tag;
    r.Name = QString::fromLatin1(name);
    r.MenuItem = QString::fromLatin1(item);
    r.MenuCaption = QString::fromLatin1(caption);
    r.DialogClass = QString::fromLatin1(dialog);
    r.DialogCaption = QString::fromLatin1(dialogCaption);
    r.HelpTopic = help;
    r.FilterClassName = QString::fromLatin1(className);
    r.Create = std::move(create);
    return r;
}

} // namespace kolvar
