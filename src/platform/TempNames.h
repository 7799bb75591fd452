#pragma once

// The one naming scheme of temporary files for every program that writes into a logo folder,
// a Windows folder or a disk image: this tool where the file system has no unnamed files (FAT),
// and the boot-time companion on Windows. Freestanding C++ (no run-time library) so that both can
// include it.
//
// A temporary file is named ".~bg" + 16 lower-case hexadecimal digits of a random token +
// ".tmp". Clean-up removes names of exactly that form and nothing else; the reserved prefix
// ".~bg" is refused as the start of any name a user gives a file, so no user's file ever takes
// that form through this tool.

#include <stddef.h>
#include <stdint.h>

namespace bg::tempnames {

inline constexpr char Prefix[] = ".~bg";
inline constexpr char Suffix[] = ".tmp";
inline constexpr size_t PrefixLength = 4;
inline constexpr size_t SuffixLength = 4;
inline constexpr size_t TokenDigits = 16;
inline constexpr size_t NameLength = PrefixLength + TokenDigits + SuffixLength;

// Writes the temporary name for a token into out (NameLength characters and a NUL).
inline void make(uint64_t token, char (&out)[NameLength + 1])
{
    constexpr char digits[] = "0123456789abcdef";
    size_t n = 0;
    for (size_t i = 0; i < PrefixLength; ++i)
        out[n++] = Prefix[i];
    for (int shift = int(TokenDigits - 1) * 4; shift >= 0; shift -= 4)
        out[n++] = digits[(token >> shift) & 0xf];
    for (size_t i = 0; i < SuffixLength; ++i)
        out[n++] = Suffix[i];
    out[n] = '\0';
}

// True for a name of exactly the temporary form.
inline bool isTempName(const char *name, size_t length)
{
    if (length != NameLength)
        return false;
    for (size_t i = 0; i < PrefixLength; ++i)
        if (name[i] != Prefix[i] || name[NameLength - SuffixLength + i] != Suffix[i])
            return false;
    for (size_t i = PrefixLength; i < PrefixLength + TokenDigits; ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

// True when a name starts with the reserved prefix in any letter case (FAT ignores case): no
// file a user names may be called so. Char is char (bytes) or char16_t.
template<typename Char>
bool isReservedName(const Char *name, size_t length)
{
    if (length < PrefixLength)
        return false;
    for (size_t i = 0; i < PrefixLength; ++i) {
        Char c = name[i];
        if (c >= Char('A') && c <= Char('Z'))
            c = Char(c - Char('A') + Char('a'));
        if (c != Char(Prefix[i]))
            return false;
    }
    return true;
}

} // namespace bg::tempnames
