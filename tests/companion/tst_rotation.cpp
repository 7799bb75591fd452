#include "Rotation.h"

#include "platform/PrivateProfile.h"

#include <QTest>

#include <cstring>
#include <map>

using namespace onboot;

namespace {

QByteArray big5(const QString &text)
{
    QByteArray bytes;
    return bg::cp950::encode(text, bytes) ? bytes : QByteArray();
}

// A 320 x 400 BMP of the logo size (129078 bytes) whose pixels are the seed.
QByteArray logo(char seed, char bits = 8)
{
    QByteArray b(129078, seed);
    memcpy(b.data(), "BM\x36\xf8\x01\0\0\0\0\0\x36\x04\0\0\x28\0\0\0\x40\x01\0\0\x90\x01\0\0\x01\0", 28);
    b[28] = bits, b[29] = b[30] = b[31] = b[32] = b[33] = 0;
    return b;
}

struct Node { QByteArray data; uint32_t attrs = AttrNormal; };

// A Windows 9x machine in memory (code page 950) whose changing calls can fail one at a time
// (failAt) or stop for good after one of them, as at a power cut (stopAfter).
class Machine final : public System
{
public:
    std::map<QByteArray, Node> nodes; // by path without a trailing backslash
    QMap<QByteArray, QByteArray> settings;
    int calls = 0, failAt = 0, stopAfter = 0;
    uint32_t seed = 7;

    Machine() { put("C:", {}, AttrDirectory), put("C:\\WINDOWS", {}, AttrDirectory); }
    void put(const QByteArray &p, const QByteArray &data, uint32_t a = AttrNormal) { nodes[p] = {data, a}; }
    Node *find(QByteArray p)
    {
        p.chop(p.size() > 2 && endsWithBackslash(*this, p));
        return nodes.count(p) ? &nodes[p] : nullptr;
    }
    bool is(const QByteArray &p, bool folder) { return find(p) && bool(find(p)->attrs & AttrDirectory) == folder; }
    QByteArray data(const QByteArray &p) { return is(p, false) ? find(p)->data : QByteArray(); }
    QByteArray parent(const QByteArray &p) // up to its last backslash character
    {
        qsizetype last = -1;
        for (const char *c = p.constData(); *c; c = nextChar(c))
            last = *c == '\\' ? c - p.constData() : last;
        return p.left(last + 1);
    }
    QByteArrayList names(const QByteArray &folder) // its files and folders
    {
        QByteArrayList out;
        for (const auto &[path, node] : nodes)
            if (parent(path) == folder)
                out << path.mid(folder.size());
        return out;
    }
    bool step() { return ++calls != failAt && (!stopAfter || calls <= stopAfter); }

    uint32_t readProfile(const char *file, const char *section, const char *key, char *out, uint32_t n) override
    {
        const bool ours = qstrcmp(file, "C:\\WINDOWS\\SW.ini") == 0 && qstrcmp(section, "SplashwheelSet") == 0;
        const QByteArray v = ours ? settings.value(key).left(n - 1) : QByteArray();
        return qstrcpy(out, v.constData()), uint32_t(v.size());
    }
    void windowsDirectory(char *out, uint32_t) override { qstrcpy(out, "C:\\WINDOWS"); }
    bool listFiles(const char *folder, FileVisitor &visitor) override
    {
        for (const QByteArray &name : names(folder))
            if (is(folder + name, false))
                visitor.file(name.constData(), uint32_t(data(folder + name).size()));
        return is(folder, true);
    }
    bool readHead(const char *p, uint8_t *out, uint32_t n) override
    {
        return data(p).size() >= n && memcpy(out, data(p).constData(), n);
    }
    uint32_t attributes(const char *p) override { return find(p) ? find(p)->attrs : AttrMissing; }
    bool createFolder(const char *p) override
    {
        return step() && !find(p) && is(parent(p), true) && (put(p, {}, AttrDirectory), true);
    }
    bool createEmptyFile(const char *p) override
    {
        return step() && !find(p) && is(parent(p), true) && (put(p, {}), true);
    }
    bool copyFile(const char *from, const char *to, bool failIfExists) override
    {
        const Node *d = find(to);
        return step() && is(from, false) && is(parent(to), true)
            && !(d && (failIfExists || d->attrs & (AttrReadOnly | AttrDirectory))) && (nodes[to] = *find(from), true);
    }
    bool moveFile(const char *from, const char *to) override
    {
        return step() && is(from, false) && !find(to) && is(parent(to), true)
            && (nodes[to] = nodes[from], nodes.erase(from));
    }
    bool deleteFile(const char *p) override
    {
        return step() && is(p, false) && !(find(p)->attrs & AttrReadOnly) && nodes.erase(p);
    }
    bool removeFolder(const char *p) override
    {
        return step() && is(p, true) && names(p + QByteArray("\\")).isEmpty() && nodes.erase(p);
    }
    bool setAttributes(const char *p, uint32_t a) override
    {
        return step() && find(p) && (find(p)->attrs = a | (find(p)->attrs & AttrDirectory));
    }
    int compareNames(const char *a, const char *b) override { return qstricmp(a, b); }
    const char *nextChar(const char *p) override
    {
        return !*p ? p : uchar(*p) >= 0x81 && uchar(*p) < 0xff && p[1] ? p + 2 : p + 1;
    }
    uint32_t random() override { return (seed = seed * 1103515245u + 12345u) >> 8; }
};

} // namespace

class TestRotation : public QObject
{
    Q_OBJECT

private slots:
    void popUpText()
    {
        Machine m;
        m.settings = {{"Start_Path", big5(u"C:\\許功"_qs)}, {"Start_Checked", "True"}, {"PopUp", "0"},
                      {"Wait_Path", "C:\\Empty\\"}, {"Wait_Checked", "True"}, {"Method", "Little"},
                      {"Shutdown_Path", "C:\\Missing"}, {"Shutdown_Checked", "True"}};
        m.put(big5(u"C:\\許功"_qs), {}, AttrDirectory), m.put("C:\\Empty", {}, AttrDirectory);
        m.put(big5(u"C:\\許功\\許功蓋.bmp"_qs), logo('k')), m.put(big5(u"C:\\許功\\0.bmp"_qs), logo('x', 24));
        Rotation rotation(m);
        rotation.run();
        QCOMPARE(m.data("C:\\LOGO.SYS"), logo('k'));
        QCOMPARE(m.find("C:\\LOGO.SYS")->attrs, AttrHidden);
        QVERIFY(rotation.popUp());
        QCOMPARE(m.data(big5(u"C:\\許功\\Showed\\許功蓋.bmp"_qs)), logo('k'));
        QCOMPARE(QByteArray(rotation.message()),
                 big5(u"下次開機的畫面為==>許功蓋.bmp\r\n等待關機畫面無法更換：資料夾中沒有可用的LOGO\r\n"
                      "關機畫面無法更換：找不到資料夾 C:\\Missing\\"_qs));
        QCOMPARE(QByteArray(rotation.title()), big5(u"更換失敗"_qs));
        QCOMPARE(rotation.style(), 48u);
    }

    // Every changing step failed in turn, and the power cut after every step: no logo is lost,
    // the slot holds its old or its new logo again, and only this program's temporary files go.
    void noLogoLost()
    {
        QByteArrayList logos{"C:\\L\\a.bmp", "C:\\L\\Showed\\b.bmp", "C:\\S\\f.bmp"}; // more used ones than one batch
        for (char c = 'g'; c <= 'q'; ++c)
            logos << "C:\\W\\Showed\\" + QByteArray(1, c) + ".bmp";
        const QByteArrayList foreign{"C:\\WINDOWS\\.~bg0123456789abcdef.tmp", "C:\\.~bg12.tmp", "C:\\.~bg1b001.tmp"};
        const auto prepare = [&](Machine &m) {
            for (const char *f : {"C:\\L", "C:\\L\\Showed", "C:\\W", "C:\\W\\Showed", "C:\\S"})
                m.put(f, {}, AttrDirectory);
            for (int i = 0; i < logos.size(); ++i)
                m.put(logos[i], logo(char('a' + i)), i == 2 ? AttrReadOnly : AttrNormal);
            m.put("C:\\W\\g.bmp", "g.bmp stays used: its name is taken");
            for (const QByteArray &f : foreign)
                m.put(f, "keep");
            m.put("C:\\LOGO.SYS", "old start", AttrHidden), m.put("C:\\WINDOWS\\LOGOW.SYS", "old wait");
        };
        const auto run = [](Machine &m, const char *on) {
            m.settings = {{"Start_Path", "C:\\L\\"}, {"Wait_Path", "C:\\W"}, {"Shutdown_Path", "C:\\S\\"},
                          {"Start_Checked", on}, {"Wait_Checked", on}, {"Shutdown_Checked", on}};
            Rotation rotation(m);
            rotation.run();
            return rotation;
        };
        const auto check = [&](Machine &m, bool settled) {
            QSet<QByteArray> contents;
            for (const auto &[path, node] : m.nodes) { // no temporary file is left but the others'
                contents << node.data;
                QVERIFY2(!settled || !path.contains(".~bg") || foreign.contains(path), path);
            }
            for (int i = 0; i < logos.size(); ++i)
                QVERIFY2(contents.contains(logo(char('a' + i))), logos[i]);
            for (const QByteArray &f : foreign)
                QCOMPARE(m.data(f), QByteArray("keep"));
            for (const auto &[file, old] : {std::pair{"C:\\LOGO.SYS", "old start"}, {"C:\\WINDOWS\\LOGOW.SYS", "old wait"}})
                QVERIFY(!settled || m.data(file) == old || m.data(file).startsWith("BM"));
        };
        Machine clean;
        prepare(clean);
        run(clean, "True");
        const int steps = clean.calls;
        // Windows' own logos are kept at their first replacement: as they were, or "there was none".
        QVERIFY(clean.data("C:\\WINDOWS\\Bootgallery\\LOGO.SYS") == "old start"
                && clean.find("C:\\WINDOWS\\Bootgallery\\LOGO.SYS")->attrs == AttrNormal);
        QVERIFY(clean.data("C:\\WINDOWS\\Bootgallery\\LOGOW.SYS") == "old wait" && clean.is("C:\\WINDOWS\\Bootgallery\\LOGOS.NONE", false));
        run(clean, "True");
        QCOMPARE(clean.data("C:\\WINDOWS\\Bootgallery\\LOGO.SYS"), QByteArray("old start"));
        QVERIFY(steps >= 20);
        for (const bool cut : {false, true}) {
            for (int n = 1; n <= steps; ++n) {
                Machine m;
                prepare(m);
                (cut ? m.stopAfter : m.failAt) = n;
                run(m, "True");
                check(m, false);
                m.failAt = m.stopAfter = 0;
                run(m, "False"); // what the next start puts back before any change
                check(m, true);
                const Rotation rotation = run(m, "True");
                check(m, true);
                for (int slot = 0; slot < SlotCount; ++slot)
                    QVERIFY2(rotation.report(slot).result == SlotResult::Changed,
                             qPrintable(QString("slot %1, %2 at step %3").arg(slot).arg(cut ? "cut" : "failed").arg(n)));
            }
        }
        qInfo("%d changing steps in a run of three slots; %d runs with one failed or last", steps, 2 * steps);
    }
};

QTEST_MAIN(TestRotation)
#include "tst_rotation.moc"
