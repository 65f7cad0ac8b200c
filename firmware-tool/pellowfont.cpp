#include "pellowfont.h"

#include <QStringList>

QFont pellowFont()
{
    static const bool substituted = [] {
        QFont::insertSubstitutions(
            QStringLiteral("SimSun"),
            {QStringLiteral("宋体"), QStringLiteral("NSimSun"), QStringLiteral("Noto Serif CJK SC"),
             QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei")});
        return true;
    }();
    Q_UNUSED(substituted)
    QFont font(QStringLiteral("SimSun"), 9);
    font.setStyleHint(QFont::Serif);
    return font;
}
