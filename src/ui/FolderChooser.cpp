#include "ui/FolderChooser.h"

#include "platform/Desktop.h"

namespace bg {

namespace {
constexpr int PathBufferLength = 260; // MAX_PATH, its terminating NUL included
}

QString BrowseForFolder(Desktop &desktop, QWidget *owner, const QString &prompt)
{
    QString path = desktop.browseForFolder(owner, prompt);
    // The path buffer ends at its first NUL.
    if (const qsizetype nul = path.indexOf(QChar(u'\0')); nul >= 0)
        path.truncate(nul);
    if (path.size() >= PathBufferLength)
        return QString();
    return path;
}

} // namespace bg
