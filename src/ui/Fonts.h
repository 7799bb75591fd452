#pragma once

#include <QFont>

namespace bg {

// The Traditional Chinese fonts the windows name ("新細明體", "標楷體") are mapped onto the
// fonts a Debian desktop has (AR PL UMing/UKai, then Noto CJK).
void installFontSubstitutes();

// The default user-interface font: 新細明體 9 point.
QFont uiFont();
QFont mingFont(double points);
QFont kaiFont(double points);

} // namespace bg
