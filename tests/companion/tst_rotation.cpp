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
    bg::cp950::encode(text, bytes);
    return bytes;
}

// A 320 x 400 BMP of the logo size (129078 bytes) whose pixels are the seed.
QByteArray logo(char seed, int bits = 8)
{
    QByteArray b(129078, seed);
    const auto put = [&](int at, quint32 v, int n) {
        for (int i = 0; i < n; ++i)
            b[at + i] = char(v >> 8 * i);
    };
    b[0] = 'B', b[1] = 'M';
    put(2, 129078, 4), put(10, 1078, 4), put(14, 40, 4), put(18, 320, 4), put(22, 400, 4);
    put(26, 1, 2), put(28, quint32(bits), 2), put(30, 0, 4);
    return b;
}

struct Node
{
    bool folder = false;
    QByteArray data;
    uint32_t attrs = AttrNormal;
};

// A Windows 9x machine in memory whose changing calls can fail (failAt) or stop for good after
// one of them, as at a power cut (stopAfter). Code page 950 double-byte characters.
class Machine final : public System
{
public:
    std::map<QByteArray, Node> nodes;
    QMap<QByteArray, QByteArray> settings;
    int calls = 0, failAt = 0, stopAfter = 0;
    uint32_t seed = 7;

    Machine() { mkdir("C:"), mkdir("C:\\WINDOWS"); }
    void mkdir(const QByteArray &p) { nodes[p] = {true, {}, AttrDirectory}; }
    void put(const QByteArray &p, const QByteArray &data, uint32_t a = AttrNormal) { nodes[p] = {false, data, a}; }
    Node *find(QByteArray p)
    {
        if (p.size() > 2 && endsWithBackslash(*this, p))
            p.chop(1);
        const auto it = nodes.find(p);
        return it == nodes.end() ? nullptr : &it->second;
    }
    QByteArray data(const QByteArray &p) { return find(p) && !find(p)->folder ? find(p)->data : QByteArray(); }
    QByteArray parent(const QByteArray &p)
    {
        qsizetype last = -1;
        for (const char *c = p.constData(); *c; c = nextChar(c))
            if (*c == '\\')
                last = c - p.constData();
        return p.left(last + 1);
    }
    bool parentExists(const QByteArray &p) { const Node *n = find(parent(p)); return n && n->folder; }
    QByteArrayList names(const QByteArray &folder)
    {
        QByteArrayList out;
        for (const auto &[path, node] : nodes)
            if (!node.folder && parent(path) == folder)
                out << path.mid(folder.size());
        return out;
    }
    bool step() { ++calls; return (!stopAfter || calls <= stopAfter) && calls != failAt; }

    uint32_t readProfile(const char *file, const char *section, const char *key, char *buffer,
                         uint32_t size) override
    {
        const bool ours = qstrcmp(file, "C:\\WINDOWS\\SW.ini") == 0 && qstrcmp(section, "SplashwheelSet") == 0;
        const QByteArray v = ours ? settings.value(key) : QByteArray();
        const uint32_t n = qMin(uint32_t(v.size()), size - 1);
        memcpy(buffer, v.constData(), n);
        buffer[n] = '\0';
        return n;
    }
    void windowsDirectory(char *buffer, uint32_t) override { qstrcpy(buffer, "C:\\WINDOWS"); }
    bool listFiles(const char *folder, FileVisitor &visitor) override
    {
        const Node *f = find(folder);
        if (!f || !f->folder)
            return false;
        for (const QByteArray &name : names(folder))
            visitor.file(name.constData(), uint32_t(data(folder + name).size()));
        return true;
    }
    bool readHead(const char *path, uint8_t *buffer, uint32_t size) override
    {
        const QByteArray d = data(path);
        return uint32_t(d.size()) >= size && memcpy(buffer, d.constData(), size);
    }
    uint32_t attributes(const char *path) override { return find(path) ? find(path)->attrs : AttrMissing; }
    bool createFolder(const char *path) override
    {
        return step() && !find(path) && parentExists(path) && (mkdir(path), true);
    }
    bool copyFile(const char *from, const char *to, bool failIfExists) override
    {
        const Node *d = find(to);
        if (!step() || !find(from) || find(from)->folder || !parentExists(to)
            || (d && (failIfExists || d->folder || d->attrs & AttrReadOnly)))
            return false;
        nodes[to] = *find(from);
        return true;
    }
    bool moveFile(const char *from, const char *to) override
    {
        if (!step() || !nodes.count(from) || nodes[from].folder || find(to) || !parentExists(to))
            return false;
        nodes[to] = nodes[from], nodes.erase(from);
        return true;
    }
    bool deleteFile(const char *path) override
    {
        return step() && nodes.count(path) && !nodes[path].folder
            && !(nodes[path].attrs & AttrReadOnly) && nodes.erase(path);
    }
    bool removeFolder(const char *path) override
    {
        if (!step() || !nodes.count(path) || !nodes[path].folder)
            return false;
        for (const auto &[p, n] : nodes)
            if (parent(p) == QByteArray(path) + '\\')
                return false;
        return nodes.erase(path);
    }
    bool setAttributes(const char *path, uint32_t a) override
    {
        return step() && find(path) && (find(path)->attrs = a | (find(path)->folder ? uint32_t(AttrDirectory) : 0u), true);
    }
    int compareNames(const char *a, const char *b) override { return qstricmp(a, b); }
    const char *nextChar(const char *p) override
    {
        return !*p ? p : uchar(*p) >= 0x81 && uchar(*p) <= 0xfe && p[1] ? p + 2 : p + 1;
    }
    uint32_t random() override { return (seed = seed * 1103515245u + 12345u) >> 8; }
};

bool isAnyOwnTemp(const QByteArray &name)
{
    int role = 0;
    return Rotation::isOwnTemp(name, 0, role) || Rotation::isOwnTemp(name, 1, role)
        || Rotation::isOwnTemp(name, 2, role);
}

} // namespace

class TestRotation : public QObject
{
    Q_OBJECT

private slots:
    void methods_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArrayList>("order"); // empty: random
        QTest::newRow("Little") << QByteArray("Little") << QByteArrayList{"a.bmp", "B.bmp", "c.bmp"};
        QTest::newRow("Big") << QByteArray("Big") << QByteArrayList{"c.bmp", "B.bmp", "a.bmp"};
        QTest::newRow("Random") << QByteArray("Random") << QByteArrayList{};
        QTest::newRow("big is random") << QByteArray("big") << QByteArrayList{};
    }
    void methods()
    {
        QFETCH(QByteArray, method);
        QFETCH(QByteArrayList, order);
        Machine m;
        m.settings = {{"Start_Path", "C:\\Logos"}, {"Start_Checked", "True"}, {"Wait_Path", "C:\\Logos\\"},
                      {"Wait_Checked", "true"}, {"PopUp", "0"}, {"Method", method}};
        m.mkdir("C:\\Logos");
        const QByteArrayList all{"B.bmp", "a.bmp", "c.bmp"};
        for (int i = 0; i < 3; ++i)
            m.put("C:\\Logos\\" + all[i], logo(char('1' + i)));
        m.put("C:\\Logos\\0.bmp", logo('x', 24)); // first in order, the logo size, not 8 bits
        m.put("C:\\Logos\\1.txt", "x");
        m.put("C:\\WINDOWS\\LOGOW.SYS", "old wait", AttrHidden);
        QByteArrayList shown;
        for (int run = 0; run < 5; ++run) {
            Rotation rotation(m);
            rotation.run();
            QVERIFY(rotation.popUp());
            QCOMPARE(rotation.report(0).result, SlotResult::Changed);
            const QByteArray name = rotation.report(0).name;
            QVERIFY(order.isEmpty() ? all.contains(name) && (run % 3 == 0 || !shown.contains(name)) : name == order[run % 3]);
            QCOMPARE(m.data("C:\\LOGO.SYS"), logo(char('1' + all.indexOf(name))));
            QCOMPARE(m.find("C:\\LOGO.SYS")->attrs, AttrHidden);
            shown = run % 3 == 0 ? QByteArrayList{name} : shown << name;
            QCOMPARE(m.names("C:\\Logos\\Showed\\").size(), shown.size());
            QCOMPARE(m.names("C:\\Logos\\").size(), 5 - shown.size());
            QCOMPARE(m.data("C:\\WINDOWS\\LOGOW.SYS"), QByteArray("old wait"));
            QCOMPARE(rotation.report(2).result, SlotResult::Off);
        }
    }

    void popUpText()
    {
        Machine m;
        m.settings = {{"Start_Path", big5(u"C:\\許功"_qs)}, {"Start_Checked", "True"}, {"Method", "Little"},
                      {"Wait_Path", "C:\\Empty\\"}, {"Wait_Checked", "True"},
                      {"Shutdown_Path", "C:\\Missing"}, {"Shutdown_Checked", "True"}};
        m.mkdir(big5(u"C:\\許功"_qs)), m.mkdir("C:\\Empty");
        m.put(big5(u"C:\\許功\\許功蓋.bmp"_qs), logo('k'));
        Rotation rotation(m);
        rotation.run();
        QCOMPARE(m.data("C:\\LOGO.SYS"), logo('k'));
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
        const QByteArrayList logos{"C:\\L\\a.bmp", "C:\\L\\Showed\\b.bmp", "C:\\W\\Showed\\d.bmp",
                                   "C:\\W\\Showed\\e.bmp", "C:\\S\\f.bmp"};
        const QByteArrayList foreign{"C:\\WINDOWS\\.~bg0123456789abcdef.tmp", "C:\\.~bg12.tmp",
                                     "C:\\.~BG0123456789ABb001.tmp"};
        const auto prepare = [&](Machine &m, const char *on) {
            m.settings = {{"Start_Path", "C:\\L\\"}, {"Wait_Path", "C:\\W"}, {"Shutdown_Path", "C:\\S\\"},
                          {"Start_Checked", on}, {"Wait_Checked", on}, {"Shutdown_Checked", on}};
            for (const char *f : {"C:\\L", "C:\\L\\Showed", "C:\\W", "C:\\W\\Showed", "C:\\S"})
                m.mkdir(f);
            for (int i = 0; i < logos.size(); ++i)
                m.put(logos[i], logo(char('a' + i)), i == 4 ? AttrReadOnly : AttrNormal);
            for (const QByteArray &f : foreign)
                m.put(f, "keep");
            m.put("C:\\LOGO.SYS", "old start", AttrHidden), m.put("C:\\WINDOWS\\LOGOW.SYS", "old wait");
        };
        const auto check = [&](Machine &m, bool settled) {
            QSet<QByteArray> contents;
            for (const auto &[path, node] : m.nodes) {
                contents << node.data;
                QVERIFY2(!settled || !isAnyOwnTemp(path.mid(m.parent(path).size())), path.constData());
            }
            for (int i = 0; i < logos.size(); ++i)
                QVERIFY2(contents.contains(logo(char('a' + i))), logos[i].constData());
            for (const QByteArray &f : foreign)
                QCOMPARE(m.data(f), QByteArray("keep"));
            const QByteArray start = m.data("C:\\LOGO.SYS"), wait = m.data("C:\\WINDOWS\\LOGOW.SYS");
            QVERIFY(!settled || start == "old start" || start.startsWith("BM"));
            QVERIFY(!settled || wait == "old wait" || wait.startsWith("BM"));
        };
        Machine clean;
        prepare(clean, "True");
        Rotation(clean).run();
        const int steps = clean.calls;
        QVERIFY(steps >= 20);
        int cases = 0;
        for (const bool cut : {false, true}) {
            for (int n = 1; n <= steps; ++n, ++cases) {
                Machine m;
                prepare(m, "True");
                (cut ? m.stopAfter : m.failAt) = n;
                Rotation(m).run();
                check(m, false);
                m.failAt = m.stopAfter = 0;
                m.settings["Start_Checked"] = m.settings["Wait_Checked"] = m.settings["Shutdown_Checked"] = "No";
                Rotation(m).run(); // recovery alone
                check(m, true);
                if (QTest::currentTestFailed())
                    qWarning("%s at changing call %d", cut ? "power cut" : "failure", n);
                m.settings["Start_Checked"] = m.settings["Wait_Checked"] = m.settings["Shutdown_Checked"] = "True";
                Rotation rotation(m);
                rotation.run();
                check(m, true);
                for (int slot = 0; slot < SlotCount; ++slot)
                    QVERIFY2(rotation.report(slot).result == SlotResult::Changed,
                             qPrintable(QString("slot %1 after %2 at changing call %3").arg(slot).arg(cut ? "a power cut" : "a failure").arg(n)));
            }
        }
        qInfo("%d changing steps per run; %d runs with a failed or last step", steps, cases);
    }
};

QTEST_MAIN(TestRotation)
#include "tst_rotation.moc"
