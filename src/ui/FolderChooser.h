#pragma once

#include <QString>

class QWidget;

namespace bg {

class Desktop;

// The shell's folder picker: a modal choice among file-system folders, owned by the given
// window and titled with the prompt. Returns the chosen folder as a Windows path, without a
// trailing backslash except for a drive root, or the empty text when nothing was chosen. A path
// longer than the platform's 260-character buffer cannot be returned and counts as no choice.
QString BrowseForFolder(Desktop &desktop, QWidget *owner, const QString &prompt);

} // namespace bg
