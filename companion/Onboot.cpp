// Onboot.exe: started by the shell from the Startup folder, with no arguments, at every start of
// Windows. The change itself is in Rotation.cpp; this file is its link to KERNEL32 and USER32,
// and the program's own entry point (there is no C run-time library).

#include "Rotation.h"

#include <windows.h>

extern "C" {

// What the compiler may call for copies and clearing.
void *memset(void *to, int value, size_t n)
{
    auto *p = static_cast<unsigned char *>(to);
    while (n--)
        *p++ = static_cast<unsigned char>(value);
    return to;
}

void *memcpy(void *to, const void *from, size_t n)
{
    auto *p = static_cast<unsigned char *>(to);
    const auto *q = static_cast<const unsigned char *>(from);
    while (n--)
        *p++ = *q++;
    return to;
}

void *memmove(void *to, const void *from, size_t n)
{
    auto *p = static_cast<unsigned char *>(to);
    const auto *q = static_cast<const unsigned char *>(from);
    if (p < q) {
        while (n--)
            *p++ = *q++;
    } else {
        while (n--)
            p[n] = q[n];
    }
    return to;
}

int memcmp(const void *a, const void *b, size_t n)
{
    const auto *p = static_cast<const unsigned char *>(a);
    const auto *q = static_cast<const unsigned char *>(b);
    for (; n; --n, ++p, ++q)
        if (*p != *q)
            return *p < *q ? -1 : 1;
    return 0;
}

void __cxa_pure_virtual()
{
    ExitProcess(3);
}

} // extern "C"

namespace {

class WindowsSystem final : public onboot::System
{
public:
    WindowsSystem() : m_seed(GetTickCount() ^ (GetCurrentProcessId() << 16) ^ 0x9e3779b9u) {}

    uint32_t readProfile(const char *file, const char *section, const char *key, char *buffer,
                         uint32_t size) override
    {
        return GetPrivateProfileStringA(section, key, "", buffer, size, file);
    }
    void windowsDirectory(char *buffer, uint32_t size) override
    {
        if (!GetWindowsDirectoryA(buffer, size))
            buffer[0] = '\0';
    }
    bool listFiles(const char *folder, onboot::FileVisitor &visitor) override
    {
        m_pattern.clear().append(folder).append("*.*");
        if (m_pattern.overflowed())
            return false;
        WIN32_FIND_DATAA data;
        const HANDLE find = FindFirstFileA(m_pattern.text(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_NO_MORE_FILES;
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                visitor.file(data.cFileName, data.nFileSizeHigh ? 0xffffffffu : data.nFileSizeLow);
        } while (FindNextFileA(find, &data));
        FindClose(find);
        return true;
    }
    bool readHead(const char *path, uint8_t *buffer, uint32_t size) override
    {
        const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        DWORD got = 0;
        const bool ok = ReadFile(file, buffer, size, &got, nullptr) && got == size;
        CloseHandle(file);
        return ok;
    }
    uint32_t attributes(const char *path) override { return GetFileAttributesA(path); }
    bool createFolder(const char *path) override { return CreateDirectoryA(path, nullptr); }
    bool createEmptyFile(const char *path) override
    {
        const HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        return file != INVALID_HANDLE_VALUE && CloseHandle(file);
    }
    bool copyFile(const char *from, const char *to, bool failIfExists) override
    {
        return CopyFileA(from, to, failIfExists);
    }
    bool moveFile(const char *from, const char *to) override { return MoveFileA(from, to); }
    bool deleteFile(const char *path) override { return DeleteFileA(path); }
    bool removeFolder(const char *path) override { return RemoveDirectoryA(path); }
    bool setAttributes(const char *path, uint32_t attributes) override
    {
        return SetFileAttributesA(path, attributes);
    }
    int compareNames(const char *a, const char *b) override { return lstrcmpiA(a, b); }
    const char *nextChar(const char *p) override { return CharNextA(p); }
    uint32_t random() override
    {
        // xorshift32: enough to pick a logo and a temporary name.
        m_seed ^= m_seed << 13;
        m_seed ^= m_seed >> 17;
        m_seed ^= m_seed << 5;
        return m_seed;
    }

private:
    uint32_t m_seed;
    onboot::Path m_pattern;
};

} // namespace

extern "C" void WinMainCRTStartup()
{
    // In the image, not on the stack: no frame of the program is larger than a page, so the
    // stack grows page by page past its guard page without probes.
    static WindowsSystem system;
    static onboot::Rotation rotation(system);
    rotation.run();
    if (rotation.popUp()) {
        const char *text = rotation.message();
        if (text[0])
            MessageBoxA(nullptr, text, rotation.title(), rotation.style());
    }
    ExitProcess(0);
}
