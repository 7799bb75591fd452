#include "ui/Fonts.h"

#include <QStringList>

namespace bg {

namespace {
const QString Ming = QStringLiteral("新細明體");
const QString Kai = QStringLiteral("標楷體");
} // namespace

void installFontSubstitutes()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    QFont::insertSubstitutions(Ming, {QStringLiteral("AR PL UMing TW"),
                                      QStringLiteral("Noto Serif CJK TC"),
                                      QStringLiteral("Noto Sans CJK TC")});
    QFont::insertSubstitutions(Kai, {QStringLiteral("AR PL UKai TW"),
                                     QStringLiteral("Noto Serif CJK TC"),
                                     QStringLiteral("Noto Sans CJK TC")});
}

QFont mingFont(double points)
{
    installFontSubstitutes();
    QFont font(Ming);
    font.setPointSizeF(points);
    return font;
}

QFont kaiFont(double points)
{
    installFontSubstitutes();
    QFont font(Kai);
    font.setPointSizeF(points);
    return font;
}

QFont uiFont()
{
    return mingFont(9.0);
}

} // namespace bg
