#pragma once

// The change of the boot logos that Onboot.exe performs each time Windows starts it. Plain,
// freestanding C++ (no run-time library, no exceptions, no allocation): the Windows builds call
// it through WindowsSystem, the tests through an in-memory machine.
//
// Paths are ANSI bytes in the system's code page. They are only ever joined (folder + name) and
// walked character by character through System::nextChar, so a double-byte name whose second
// byte is a backslash stays one name.

#include <stddef.h>
#include <stdint.h>

namespace onboot {

// DOS attribute bits, as GetFileAttributesA reports them.
enum : uint32_t {
    AttrReadOnly = 0x01,
    AttrHidden = 0x02,
    AttrDirectory = 0x10,
    AttrNormal = 0x80,
    AttrMissing = 0xffffffffu,
};

inline constexpr uint32_t PathCapacity = 1400; // a 1023-byte folder + "Showed\" + a 260-byte name
inline constexpr uint32_t NameCapacity = 260;  // MAX_PATH
inline constexpr int SlotCount = 3;

class FileVisitor
{
public:
    // One regular file of the folder being listed; size is 0xffffffff from 4 GiB on.
    virtual void file(const char *name, uint32_t size) = 0;

protected:
    ~FileVisitor() = default;
};

// What the change needs of Windows. Every call that changes the disk is one step that may fail
// or be the last before the power goes.
class System
{
public:
    // GetPrivateProfileStringA(section, key, "", buffer, size, file): the bytes copied.
    virtual uint32_t readProfile(const char *file, const char *section, const char *key,
                                 char *buffer, uint32_t size) = 0;
    virtual void windowsDirectory(char *buffer, uint32_t size) = 0;
    // The regular files of a folder (path ends in a backslash); false when it cannot be listed.
    virtual bool listFiles(const char *folder, FileVisitor &visitor) = 0;
    // Reads the first size bytes of a file; false when there are fewer or it cannot be read.
    virtual bool readHead(const char *path, uint8_t *buffer, uint32_t size) = 0;
    virtual uint32_t attributes(const char *path) = 0; // AttrMissing when nothing is there

    virtual bool createFolder(const char *path) = 0;
    virtual bool createEmptyFile(const char *path) = 0; // fails when something is there
    virtual bool copyFile(const char *from, const char *to, bool failIfExists) = 0;
    virtual bool moveFile(const char *from, const char *to) = 0; // fails on an existing target
    virtual bool deleteFile(const char *path) = 0;
    virtual bool removeFolder(const char *path) = 0;
    virtual bool setAttributes(const char *path, uint32_t attributes) = 0;

    virtual int compareNames(const char *a, const char *b) = 0; // lstrcmpiA
    virtual const char *nextChar(const char *p) = 0;            // CharNextA
    virtual uint32_t random() = 0;

protected:
    ~System() = default;
};

enum class SlotResult : uint8_t {
    Off,       // the slot does not change at boot
    Changed,   // its system file is now the logo named in the report
    NoFolder,  // its folder is not set or cannot be listed
    NoLogo,    // its folder and "Showed" hold no logo
    Failed,    // a file step failed; the slot keeps its old system file
};

struct SlotReport
{
    SlotResult result = SlotResult::Off;
    char name[NameCapacity] = {};
};

// A bounded ANSI path built by concatenation.
class Path
{
public:
    const char *text() const { return m_text; }
    uint32_t length() const { return m_length; }
    bool overflowed() const { return m_overflow; }
    Path &clear();
    Path &append(const char *text);
    Path &truncate(uint32_t length);

private:
    char m_text[PathCapacity] = {};
    uint32_t m_length = 0;
    bool m_overflow = false;
};

// The logo test of the boot screen: the tool's size test (the size in decimal begins with "129")
// and a header of an uncompressed 320 x 400 BMP of 8 bits per pixel.
bool hasLogoSize(uint32_t size);
bool isLogoHeader(const uint8_t *head, uint32_t length);
inline constexpr uint32_t LogoHeadLength = 54; // bootlogo::HeadBytes

// True when the text ends in a backslash character (not the second byte of a double-byte one).
bool endsWithBackslash(System &system, const char *text);

class Rotation
{
public:
    explicit Rotation(System &system) : m_system(system) {}

    // Puts back what an interrupted run left, then changes every slot that is on.
    void run();

    bool popUp() const { return m_popUp; }
    const SlotReport &report(int slot) const { return m_reports[slot]; }
    // The pop-up's text and title in code page 950, and its style (64 information, 48
    // exclamation when a slot could not change). The text is empty when no slot is on.
    const char *message();
    const char *title() const;
    uint32_t style() const;

    // The slot's system file: its folder (ending in a backslash) and its name.
    const char *systemFolder(int slot) const;
    static const char *systemName(int slot);
    // Temporary names of this program carry a tag in the last four digits of their token:
    // "b0", the slot and the role (0 the new logo, 1 the old system file).
    static bool isOwnTemp(const char *name, int slot, int &role);

private:
    void readSettings();
    void recover(int slot);
    void change(int slot);
    bool choose(const char *folder, char *name);
    void bringBackUsed(const char *folder);
    SlotResult apply(int slot, const char *folder, const char *name);
    bool keepOriginal(int slot, const char *target);
    void tempPath(Path &path, int slot, int role);

    System &m_system;
    char m_windows[PathCapacity] = {};
    char m_setting[1024] = {};
    Path m_folders[SlotCount];
    bool m_checked[SlotCount] = {};
    bool m_popUp = true;
    char m_method = 'R'; // 'L' Little, 'B' Big, anything else random
    SlotReport m_reports[SlotCount];
    Path m_a, m_b, m_c, m_d, m_e, m_f, m_g, m_h; // scratch paths, so that no frame is larger than a page
    char m_message[4 * PathCapacity] = {};
};

} // namespace onboot
