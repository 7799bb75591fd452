#pragma once

// The one naming scheme of temporary files for every program that writes into a logo folder,
// a Windows folder or a disk image: this tool where the file system has no unnamed files (FAT),
// and the boot-time companion on Windows. Plain C++ so that both can include it.
//
// A temporary file is named ".~bg" + 16 lower-case hexadecimal digits of a random token +
// ".tmp". Clean-up removes names of exactly that form and nothing else; the reserved prefix
// ".~bg" is refused as the start of any name a user gives a file, so no user's file ever takes
// that form through this tool.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace bg::tempnames {

inline constexpr std::string_view Prefix = ".~bg";
inline constexpr std::string_view Suffix = ".tmp";
inline constexpr std::size_t TokenDigits = 16;
inline constexpr std::size_t NameLength = Prefix.size() + TokenDigits + Suffix.size();

// The temporary name for a token.
inline std::string make(std::uint64_t token)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string name(Prefix);
    for (int shift = int(TokenDigits - 1) * 4; shift >= 0; shift -= 4)
        name += digits[(token >> shift) & 0xf];
    name += Suffix;
    return name;
}

// True for a name of exactly the temporary form.
inline bool isTempName(std::string_view name)
{
    if (name.size() != NameLength || name.substr(0, Prefix.size()) != Prefix
        || name.substr(NameLength - Suffix.size()) != Suffix)
        return false;
    for (std::size_t i = Prefix.size(); i < Prefix.size() + TokenDigits; ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

// True when a name starts with the reserved prefix in any letter case (FAT ignores case): no
// file a user names may be called so.
template<typename Char>
bool isReservedName(std::basic_string_view<Char> name)
{
    if (name.size() < Prefix.size())
        return false;
    for (std::size_t i = 0; i < Prefix.size(); ++i) {
        Char c = name[i];
        if (c >= Char('A') && c <= Char('Z'))
            c = Char(c - Char('A') + Char('a'));
        if (c != Char(Prefix[i]))
            return false;
    }
    return true;
}

} // namespace bg::tempnames
