#pragma once

#include <QString>

namespace bg {

// The order in which the companion program takes logos at boot, stored under "Method".
enum class ChangeMethod { Little, Big, Random };

// "Little", "Big", "Random".
QString methodWord(ChangeMethod method);
// Exactly "Little" or "Big" (letter case included); anything else is Random.
ChangeMethod methodFromWord(const QString &word);

} // namespace bg
