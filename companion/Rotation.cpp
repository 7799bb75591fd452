#include "Rotation.h"

#include "platform/BootLogoFormat.h"
#include "platform/TempNames.h"

namespace onboot {

namespace {

using namespace bg;

constexpr char Section[] = "SplashwheelSet";

struct SlotInfo
{
    const char *pathKey;
    const char *checkedKey;
    const char *systemName;
    const char *applyPhrase; // code page 950
    const char *tabLabel;    // code page 950
};

// "下次開機", "待會等待關機", "待會關機"; "開機畫面", "等待關機畫面", "關機畫面".
constexpr SlotInfo Slots[SlotCount] = {
    {"Start_Path", "Start_Checked", "LOGO.SYS", "\xa4\x55\xa6\xb8\xb6\x7d\xbe\xf7",
     "\xb6\x7d\xbe\xf7\xb5\x65\xad\xb1"},
    {"Wait_Path", "Wait_Checked", "LOGOW.SYS",
     "\xab\xdd\xb7\x7c\xb5\xa5\xab\xdd\xc3\xf6\xbe\xf7",
     "\xb5\xa5\xab\xdd\xc3\xf6\xbe\xf7\xb5\x65\xad\xb1"},
    {"Shutdown_Path", "Shutdown_Checked", "LOGOS.SYS", "\xab\xdd\xb7\x7c\xc3\xf6\xbe\xf7",
     "\xc3\xf6\xbe\xf7\xb5\x65\xad\xb1"},
};

constexpr char ShowedTo[] = "\xaa\xba\xb5\x65\xad\xb1\xac\xb0==>";           // 的畫面為==>
constexpr char CannotChange[] = "\xb5\x4c\xaa\x6b\xa7\xf3\xb4\xab\xa1\x47";   // 無法更換：
constexpr char NoFolderText[] = "\xa7\xe4\xa4\xa3\xa8\xec\xb8\xea\xae\xc6\xa7\xa8 "; // 找不到資料夾
constexpr char NoLogoText[] =                                                 // 資料夾中沒有可用的LOGO
    "\xb8\xea\xae\xc6\xa7\xa8\xa4\xa4\xa8\x53\xa6\xb3\xa5\x69\xa5\xce\xaa\xba" "LOGO";
constexpr char FailedText[] =                                                 // 檔案無法複製或搬移
    "\xc0\xc9\xae\xd7\xb5\x4c\xaa\x6b\xbd\xc6\xbb\x73\xa9\xce\xb7\x68\xb2\xbe";
constexpr char TitleDone[] = "\xa7\xf3\xb4\xab\xa6\xa8\xa5\x5c";   // 更換成功
constexpr char TitleFailed[] = "\xa7\xf3\xb4\xab\xa5\xa2\xb1\xd1"; // 更換失敗
constexpr char Showed[] = "Showed";
constexpr char OriginalsFolder[] = "Bootgallery"; // the tool's folder inside the Windows folder
constexpr char C[] = "C:\\";

uint32_t length(const char *text)
{
    uint32_t n = 0;
    while (text[n])
        ++n;
    return n;
}

bool equal(const char *a, const char *b)
{
    while (*a && *a == *b)
        ++a, ++b;
    return *a == *b;
}

void copyText(char *to, const char *from, uint32_t capacity)
{
    uint32_t i = 0;
    for (; from[i] && i + 1 < capacity; ++i)
        to[i] = from[i];
    to[i] = '\0';
}

// Collects the names of a folder's own temporary files of one slot.
class TempCollector final : public FileVisitor
{
public:
    static constexpr int Capacity = 8;
    explicit TempCollector(int slot) : m_slot(slot) {}
    void file(const char *name, uint32_t) override
    {
        int role = 0;
        if (!Rotation::isOwnTemp(name, m_slot, role))
            return;
        ++seen;
        if (count < Capacity) {
            copyText(names[count], name, sizeof names[count]);
            roles[count++] = role;
        }
    }
    char names[Capacity][tempnames::NameLength + 1] = {};
    int roles[Capacity] = {};
    int count = 0;
    int seen = 0;

private:
    int m_slot;
};

// Picks the logo of a folder by the method: the first or last by compareNames, or one at
// random with every logo equally likely (a single pass: the i-th keeps the place with 1/i).
//
// compareNames is lstrcmpiA, the order of a sorted Windows list box. For Latin names made of
// letters, digits, dots and underscores it is the order of the tool's list (letter case ignored,
// digits one by one). The two part where lstrcmpiA's word sort ignores hyphens and apostrophes
// ("a-c.bmp" after "ab.bmp", the tool's list puts it before), and for Chinese names: on a
// Traditional Chinese Windows lstrcmpiA follows the system's code page 950 order (by strokes),
// the tool's list the Unicode order of the characters (by radicals).
class LogoChooser final : public FileVisitor
{
public:
    LogoChooser(System &system, Path &scratch, const char *folder, char method, char *best)
        : m_system(system), m_path(scratch), m_folder(folder), m_method(method), m_best(best)
    {
        m_best[0] = '\0';
    }
    void file(const char *name, uint32_t size) override
    {
        if (!hasLogoSize(size) || length(name) >= NameCapacity)
            return;
        const bool ordered = m_method == 'L' || m_method == 'B';
        if (ordered && m_best[0]) {
            const int c = m_system.compareNames(name, m_best);
            if (m_method == 'L' ? c >= 0 : c <= 0)
                return;
        }
        uint8_t head[LogoHeadLength];
        m_path.clear().append(m_folder).append(name);
        if (m_path.overflowed() || !m_system.readHead(m_path.text(), head, sizeof head)
            || !isLogoHeader(head, sizeof head))
            return;
        ++m_logos;
        if (ordered || m_system.random() % m_logos == 0)
            copyText(m_best, name, NameCapacity);
    }

private:
    System &m_system;
    Path &m_path;
    const char *m_folder;
    char m_method;
    char *m_best;
    uint32_t m_logos = 0;
};

// Lists the files of "Showed" that pass the size test, in batches after the first skip ones,
// for moving them back.
class UsedCollector final : public FileVisitor
{
public:
    static constexpr int Capacity = 8; // a frame stays under a page
    explicit UsedCollector(int skip) : skip(skip) {}
    void file(const char *name, uint32_t size) override
    {
        if (!hasLogoSize(size) || length(name) >= NameCapacity || ++seen <= skip)
            return;
        if (count < Capacity)
            copyText(names[count++], name, NameCapacity);
    }
    char names[Capacity][NameCapacity] = {};
    int count = 0;
    int seen = 0;
    const int skip;
};

} // namespace

Path &Path::clear()
{
    m_length = 0;
    m_text[0] = '\0';
    m_overflow = false;
    return *this;
}

Path &Path::append(const char *text)
{
    for (; *text; ++text) {
        if (m_length + 1 >= PathCapacity) {
            m_overflow = true;
            break;
        }
        m_text[m_length++] = *text;
    }
    m_text[m_length] = '\0';
    return *this;
}

Path &Path::truncate(uint32_t length)
{
    if (length < m_length) {
        m_length = length;
        m_text[length] = '\0';
    }
    return *this;
}

bool hasLogoSize(uint32_t size)
{
    if (size == 0xffffffffu)
        return false;
    char digits[11];
    int n = 0;
    do {
        digits[n++] = char('0' + size % 10);
        size /= 10;
    } while (size);
    return n >= 3 && digits[n - 1] == '1' && digits[n - 2] == '2' && digits[n - 3] == '9';
}

bool isLogoHeader(const uint8_t *head, uint32_t length)
{
    return bootlogo::isHead(head, length);
}

bool endsWithBackslash(System &system, const char *text)
{
    const char *last = nullptr;
    for (const char *p = text; *p; p = system.nextChar(p))
        last = p;
    return last && last[0] == '\\' && system.nextChar(last) == last + 1;
}

const char *Rotation::systemFolder(int slot) const
{
    return slot == 0 ? C : m_windows;
}

const char *Rotation::systemName(int slot)
{
    return Slots[slot].systemName;
}

bool Rotation::isOwnTemp(const char *name, int slot, int &role)
{
    const uint32_t n = length(name);
    if (!tempnames::isTempName(name, n))
        return false;
    const char *tag = name + tempnames::PrefixLength + tempnames::TokenDigits - 4;
    if (tag[0] != 'b' || tag[1] != '0' || tag[2] != char('0' + slot)
        || (tag[3] != '0' && tag[3] != '1'))
        return false;
    role = tag[3] - '0';
    return true;
}

void Rotation::tempPath(Path &path, int slot, int role)
{
    const uint32_t high = m_system.random();
    const uint32_t low = (m_system.random() & 0xffff0000u) | 0xb000u | uint32_t(slot) << 4
        | uint32_t(role);
    char name[tempnames::NameLength + 1];
    tempnames::make(uint64_t(high) << 32 | low, name);
    path.clear().append(systemFolder(slot)).append(name);
}

void Rotation::readSettings()
{
    m_system.windowsDirectory(m_windows, PathCapacity - 16);
    if (!endsWithBackslash(m_system, m_windows))
        copyText(m_windows + length(m_windows), "\\", 2);
    m_a.clear().append(m_windows).append("SW.ini");
    const auto read = [&](const char *key) {
        for (char &c : m_setting)
            c = '\0';
        const uint32_t n = m_system.readProfile(m_a.text(), Section, key, m_setting,
                                                sizeof m_setting);
        m_setting[n < sizeof m_setting ? n : sizeof m_setting - 1] = '\0';
        return m_setting;
    };
    for (int slot = 0; slot < SlotCount; ++slot) {
        // The folder as the tool's window takes it: a backslash is added when missing.
        const char *folder = read(Slots[slot].pathKey);
        m_folders[slot].clear().append(folder);
        if (folder[0] && !endsWithBackslash(m_system, folder))
            m_folders[slot].append("\\");
        m_checked[slot] = equal(read(Slots[slot].checkedKey), "True");
    }
    m_popUp = !equal(read("PopUp"), "False");
    const char *method = read("Method");
    m_method = equal(method, "Little") ? 'L' : equal(method, "Big") ? 'B' : 'R';
}

void Rotation::run()
{
    readSettings();
    for (int slot = 0; slot < SlotCount; ++slot)
        recover(slot);
    for (int slot = 0; slot < SlotCount; ++slot)
        if (m_checked[slot])
            change(slot);
}

// A run stopped between two steps of a replacement leaves temporary files beside the system
// file: the new logo, staged (role 0), and the old system file, moved aside (role 1). When the
// system file is missing the old one goes back, or the new one when there was no old one; then
// every temporary file of the slot is removed.
void Rotation::recover(int slot)
{
    Path &target = m_b, &temp = m_c;
    target.clear().append(systemFolder(slot)).append(systemName(slot));
    for (int round = 0; round < 64; ++round) {
        TempCollector temps(slot);
        if (!m_system.listFiles(systemFolder(slot), temps) || temps.count == 0)
            return;
        if (m_system.attributes(target.text()) == AttrMissing) {
            int pick = -1;
            for (int i = 0; i < temps.count; ++i)
                if (pick < 0 || temps.roles[i] > temps.roles[pick])
                    pick = i;
            temp.clear().append(systemFolder(slot)).append(temps.names[pick]);
            if (!m_system.moveFile(temp.text(), target.text()))
                return; // nothing is removed while it may be the only copy
            m_system.setAttributes(target.text(), AttrHidden);
        }
        int removed = 0;
        for (int i = 0; i < temps.count; ++i) {
            temp.clear().append(systemFolder(slot)).append(temps.names[i]);
            if (m_system.attributes(temp.text()) != AttrMissing && m_system.deleteFile(temp.text()))
                ++removed;
        }
        if (removed == 0 || temps.seen <= temps.count)
            return;
    }
}

void Rotation::change(int slot)
{
    SlotReport &report = m_reports[slot];
    const char *folder = m_folders[slot].text();
    if (!folder[0] || m_folders[slot].overflowed()
        || (m_system.attributes(folder) & (AttrDirectory | 0x80000000u)) != AttrDirectory) {
        report.result = SlotResult::NoFolder;
        return;
    }
    if (!choose(folder, report.name)) {
        // Every logo has been shown: the used ones come back and the round starts over.
        bringBackUsed(folder);
        if (!choose(folder, report.name)) {
            report.result = SlotResult::NoLogo;
            return;
        }
    }
    report.result = apply(slot, folder, report.name);
}

bool Rotation::choose(const char *folder, char *name)
{
    LogoChooser chooser(m_system, m_a, folder, m_method, name);
    return m_system.listFiles(folder, chooser) && name[0];
}

// As the tool's Restore: files of "Showed" that pass the size test move back unless the folder
// holds their name; "Showed" goes when it is empty.
void Rotation::bringBackUsed(const char *folder)
{
    Path &used = m_b, &from = m_c, &to = m_d;
    used.clear().append(folder).append(Showed).append("\\");
    int stuck = 0; // files that stay: their names are taken in the folder, or a move failed
    for (int round = 0; round < 4096; ++round) {
        UsedCollector files(stuck);
        if (!m_system.listFiles(used.text(), files))
            return;
        for (int i = 0; i < files.count; ++i) {
            from.clear().append(used.text()).append(files.names[i]);
            to.clear().append(folder).append(files.names[i]);
            if (from.overflowed() || to.overflowed() || m_system.attributes(to.text()) != AttrMissing
                || !m_system.moveFile(from.text(), to.text()))
                ++stuck;
        }
        if (files.seen <= files.skip + files.count)
            break;
    }
    used.truncate(used.length() - 1);
    m_system.removeFolder(used.text()); // refused while anything is left in it
}

// Windows' own logo of a slot is kept, the first time it is replaced, in the tool's folder
// inside the Windows folder under its own name, or an empty "<name>.NONE" records that the slot
// had none; the tool puts it back on request. Nothing is kept twice.
bool Rotation::keepOriginal(int slot, const char *target)
{
    Path &kept = m_g, &none = m_h;
    kept.clear().append(m_windows).append(OriginalsFolder);
    if (m_system.attributes(kept.text()) == AttrMissing && !m_system.createFolder(kept.text()))
        return false;
    kept.append("\\").append(systemName(slot));
    none.clear().append(kept.text()).truncate(kept.length() - 4).append(".NONE"); // for ".SYS"
    if (kept.overflowed() || none.overflowed())
        return false;
    if (m_system.attributes(kept.text()) != AttrMissing || m_system.attributes(none.text()) != AttrMissing)
        return true;
    if (m_system.attributes(target) == AttrMissing)
        return m_system.createEmptyFile(none.text());
    if (!m_system.copyFile(target, kept.text(), true))
        return false;
    m_system.setAttributes(kept.text(), AttrNormal);
    return true;
}

// The replacement, step by step. The logo is copied (never moved) until the new system file is
// in place, so at every instant it is in its folder or in the system file, besides its copy in
// "Showed"; the old system file is moved aside, not deleted, until the new one stands.
SlotResult Rotation::apply(int slot, const char *folder, const char *name)
{
    Path &used = m_a, &logo = m_b, &copy = m_c, &staged = m_d, &aside = m_e, &target = m_f;
    used.clear().append(folder).append(Showed);
    copy.clear().append(used.text()).append("\\").append(name);
    logo.clear().append(folder).append(name);
    if (used.overflowed() || copy.overflowed() || logo.overflowed())
        return SlotResult::Failed;
    tempPath(staged, slot, 0);
    tempPath(aside, slot, 1);
    target.clear().append(systemFolder(slot)).append(systemName(slot));

    // 0. Windows' own logo kept, before anything changes.
    if (target.overflowed() || !keepOriginal(slot, target.text()))
        return SlotResult::Failed;
    // 1. "Showed" exists; 2. the copy of the logo is in it.
    bool createdUsed = false;
    if (m_system.attributes(used.text()) == AttrMissing) {
        if (!m_system.createFolder(used.text()))
            return SlotResult::Failed;
        createdUsed = true;
    }
    // A copy left by an earlier round may carry the logo's read-only attribute: CopyFileA
    // refuses to replace it until that is cleared.
    const uint32_t copyAttributes = m_system.attributes(copy.text());
    const bool copyExisted = copyAttributes != AttrMissing;
    if (copyExisted && (copyAttributes & AttrReadOnly))
        m_system.setAttributes(copy.text(), AttrNormal);
    const auto undoCopy = [&] {
        if (!copyExisted)
            m_system.deleteFile(copy.text());
        if (createdUsed)
            m_system.removeFolder(used.text());
    };
    if (!m_system.copyFile(logo.text(), copy.text(), false)) {
        undoCopy();
        return SlotResult::Failed;
    }
    // 3. The new logo, staged beside the system file; 4. hidden there.
    if (!m_system.copyFile(logo.text(), staged.text(), true)) {
        undoCopy();
        return SlotResult::Failed;
    }
    const bool stagedHidden = m_system.setAttributes(staged.text(), AttrHidden);
    // 5. The old system file aside; 6. the new one in its place.
    const uint32_t oldAttributes = m_system.attributes(target.text());
    const bool hadOld = oldAttributes != AttrMissing;
    if (hadOld) {
        if (!m_system.setAttributes(target.text(), AttrNormal)
            || !m_system.moveFile(target.text(), aside.text())) {
            m_system.setAttributes(target.text(), oldAttributes);
            m_system.deleteFile(staged.text());
            undoCopy();
            return SlotResult::Failed;
        }
    }
    if (!m_system.moveFile(staged.text(), target.text())) {
        if (hadOld && m_system.moveFile(aside.text(), target.text()))
            m_system.setAttributes(target.text(), oldAttributes);
        m_system.deleteFile(staged.text());
        undoCopy();
        return SlotResult::Failed;
    }
    if (!stagedHidden)
        m_system.setAttributes(target.text(), AttrHidden);
    // 7. The logo leaves its folder; 8. the old system file goes, as the tool's apply lets it.
    if (!m_system.deleteFile(logo.text()) && m_system.setAttributes(logo.text(), AttrNormal))
        m_system.deleteFile(logo.text());
    if (hadOld)
        m_system.deleteFile(aside.text());
    return SlotResult::Changed;
}

const char *Rotation::message()
{
    Path &text = m_a.clear();
    for (int slot = 0; slot < SlotCount; ++slot) {
        const SlotReport &report = m_reports[slot];
        if (report.result == SlotResult::Off)
            continue;
        if (text.length())
            text.append("\r\n");
        if (report.result == SlotResult::Changed) {
            text.append(Slots[slot].applyPhrase).append(ShowedTo).append(report.name);
            continue;
        }
        text.append(Slots[slot].tabLabel).append(CannotChange);
        if (report.result == SlotResult::NoFolder)
            text.append(NoFolderText).append(m_folders[slot].text());
        else
            text.append(report.result == SlotResult::NoLogo ? NoLogoText : FailedText);
    }
    copyText(m_message, text.text(), sizeof m_message);
    return m_message;
}

const char *Rotation::title() const
{
    return style() == 64 ? TitleDone : TitleFailed;
}

uint32_t Rotation::style() const
{
    for (const SlotReport &report : m_reports)
        if (report.result != SlotResult::Off && report.result != SlotResult::Changed)
            return 48;
    return 64;
}

} // namespace onboot
