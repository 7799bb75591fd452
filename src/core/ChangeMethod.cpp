#include "core/ChangeMethod.h"

namespace bg {

QString methodWord(ChangeMethod method)
{
    switch (method) {
    case ChangeMethod::Little:
        return QStringLiteral("Little");
    case ChangeMethod::Big:
        return QStringLiteral("Big");
    case ChangeMethod::Random:
        break;
    }
    return QStringLiteral("Random");
}

ChangeMethod methodFromWord(const QString &word)
{
    if (word == QLatin1String("Little"))
        return ChangeMethod::Little;
    if (word == QLatin1String("Big"))
        return ChangeMethod::Big;
    return ChangeMethod::Random;
}

} // namespace bg
