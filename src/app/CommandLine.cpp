#include "app/CommandLine.h"

#include "platform/Prefix.h"

#include <QDir>
#include <QFileInfo>

namespace bg {

namespace {

bool isSwitch(const QString &argument)
{
    // "/c", "/C", "/x": a slash and one letter is a switch, never the folder of that name.
    return argument.size() == 2 && argument.at(0) == QLatin1Char('/') && argument.at(1).isLetter();
}

QString windowsFormOf(const Prefix &prefix, const QString &argument, const QString &currentDir)
{
    if (argument.isEmpty() || isSwitch(argument))
        return argument;
    const QFileInfo info(QDir(currentDir), argument);
    // Every argument but a switch names a file. It is taken as a host path when it names
    // something or when its folder exists: a file the user mistyped keeps its name and is
    // reported as missing later. Any other text stays as typed.
    const bool isPath = info.exists() || info.isSymLink() || info.dir().exists();
    if (!isPath)
        return argument;
    const auto windows = prefix.toWindows(QDir::cleanPath(info.absoluteFilePath()));
    return windows ? *windows : argument;
}

} // namespace

QString commandText(const Prefix &prefix, const QStringList &arguments, const QString &currentDir)
{
    QStringList parts;
    parts.reserve(arguments.size());
    for (const QString &argument : arguments)
        parts.append(windowsFormOf(prefix, argument, currentDir));
    return parts.join(QLatin1Char(' '));
}

QString programFolderOf(const Prefix &prefix, const QString &hostDir)
{
    QString folder = prefix.toWindows(QDir::cleanPath(hostDir)).value_or(QString());
    if (!folder.endsWith(QLatin1Char('\\')))
        folder += QLatin1Char('\\');
    return folder;
}

} // namespace bg
