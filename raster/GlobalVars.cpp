#include "raster/GlobalVars.h"

namespace kolvar {

int32_t TGlobal::IndexOfName(const QString& name) const {
    for (qsizetype i = 0; i < FLines.size(); ++i) {
        const QString& line = FLines[i];
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0 && QStringView(line).left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return int32_t(i);
    }
    return -1;
}

QString TGlobal::GetValue(const QString& name) const {
    const int32_t i = IndexOfName(name);
    if (i < 0) return QString();
    const QString& line = FLines[i];
    return line.mid(line.indexOf(QLatin1Char('=')) + 1);
}

void TGlobal::SetValue(const QString& name, const QString& value) {
    const int32_t i = IndexOfName(name);
    if (i < 0) {
        FLines.append(name + QLatin1Char('=') + value);
        return;
    }
    // Keeps the line's own spelling of the name.
    QString& line = FLines[i];
    line = line.left(line.indexOf(QLatin1Char('=')) + 1) + value;
}

TGlobal& Global() {
    static TGlobal instance;
    return instance;
}

} // namespace kolvar
