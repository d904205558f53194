#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>
#include <climits>
#include <tuple>

#include "CTempWorkDir.h"
#include "model/StudioManager.h"
#include "store/CXmlStore.h"

namespace {

using Fields = std::array<int, 9>;

Fields FieldsOf(const StrobeData& u) {
    return {u.nFlashValue, u.bFlashCell,  u.bFlashSnd,   u.bFlashCharge, u.bFlashPow,
            u.nModelValue, u.nModelMode1, u.nModelMode2, u.bModelPow};
}

// Ten value children with the usual names holding fields and light.
QByteArray Values(const Fields& f, const QByteArray& light = "L") {
    const char* names[] = {"nFlashValue", "bFlashCell",  "bFlashSnd",   "bFlashCharge", "bFlashPow",
                           "nModelValue", "nModelMode1", "nModelMode2", "bModelPow"};
    QByteArray out;
    for (int i = 0; i < 9; ++i) {
        out += QByteArray("<") + names[i] + ">" + QByteArray::number(f[i]) + "</" + names[i] + ">";
    }
    return out + "<sLightName>" + light + "</sLightName>";
}

QByteArray Strobe(const QByteArray& attributes, const QByteArray& children) {
    return "<Strobe " + attributes + ">" + children + "</Strobe>";
}

QByteArray Studio(const QByteArray& units, const QByteArray& attributes = "nStudioNum=\"0\"") {
    return "<Studio " + attributes + ">" + units + "</Studio>";
}

QByteArray Document(const QByteArray& studios, const QByteArray& root = "StudioManage") {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<" + root + ">" + studios + "</" + root +
           ">";
}

class BusinessMemoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.IsValid());
        store.pManager = &manager;
        store.showMessage = [this](const QString& text, const QString& caption) {
            messages << caption + ": " + text;
        };
        store.pFileList = [this](const QString& title) { listed << title; };
        ASSERT_TRUE(QDir(dir.Path()).mkdir(kBusinessMemoryFolder));
    }

    StrobeData* Add(int studio, int slot, const QString& model, const Fields& f,
                    const QString& light) {
        StrobeData* u = PlaceUnit(manager, studio, slot, std::make_unique<StrobeData>());
        u->sModelName = model;
        u->nFlashValue = f[0], u->bFlashCell = f[1], u->bFlashSnd = f[2];
        u->bFlashCharge = f[3], u->bFlashPow = f[4], u->nModelValue = f[5];
        u->nModelMode1 = f[6], u->nModelMode2 = f[7], u->bModelPow = f[8];
        u->lightNode.sLightName = light;
        return u;
    }

    bool Load(const QByteArray& xml) {
        dir.WriteFile(QStringLiteral("Business Memory/m.xml"), xml);
        return LoadBusinessMemory(store, QStringLiteral("m"));
    }

    StrobeData* Memory(int slot) const { return manager.memoryStudio->UnitAt(slot); }

    CTempWorkDir dir;
    StudioManager manager;
    CXmlStore store{dir.Path()};
    QStringList messages;
    QStringList listed;
};

const QString kFailToOpen = QStringLiteral("Business Memory: Fail to open file");

TEST_F(BusinessMemoryTest, SavedStudioMatchesTheLayoutByteForByteAndReadsBack) {
    Add(2, 7, "Rim & Hair", {81, 0, 1, 0, 1, 11, 0, 1, 0}, R"(Strip <"60">)");
    StrobeData* key = Add(2, 2, "Key light", {45, 1, 0, 1, 1, 38, 1, 0, 1}, "Softbox 90");
    manager.currentNode = &key->lightNode;  // any node of the studio makes it current

    ASSERT_TRUE(SaveBusinessMemory(store, "Portrait"));
    EXPECT_EQ(dir.ReadFile("Business Memory/Portrait.xml"), ReadTestData("data/two_units.xml"));

    ASSERT_TRUE(LoadBusinessMemory(store, "Portrait"));
    EXPECT_EQ(manager.memoryStudio->nChItemCnt, 2);
    ASSERT_NE(Memory(2), nullptr);
    ASSERT_NE(Memory(7), nullptr);
    EXPECT_EQ(Memory(2)->sModelName, "Key light");
    EXPECT_EQ(Memory(2)->sChName, "CH-03");
    EXPECT_EQ(Memory(2)->lightNode.sLightName, "Softbox 90");
    EXPECT_EQ(FieldsOf(*Memory(2)), (Fields{45, 1, 0, 1, 1, 38, 1, 0, 1}));
    EXPECT_EQ(Memory(7)->sModelName, "Rim & Hair");
    EXPECT_EQ(Memory(7)->lightNode.sLightName, R"(Strip <"60">)");
    EXPECT_EQ(FieldsOf(*Memory(7)), (Fields{81, 0, 1, 0, 1, 11, 0, 1, 0}));
    EXPECT_TRUE(messages.isEmpty());
    // The studio itself is never touched by a load.
    EXPECT_EQ(manager.studios[2]->nChItemCnt, 2);
}

TEST_F(BusinessMemoryTest, NamesInAnyScriptAndWithMarkupOrBlanksRoundTrip) {
    const QStringList names = {QString::fromUtf8("Ünïcödé 日本語 עברית 😀"),
                               R"(A&B <"x"> 'y')",
                               " lead and trail ",
                               "tab\there\nline\r\nend\r",
                               "   ",
                               "\t\r\n",
                               ""};
    for (int i = 0; i < names.size(); ++i) {
        Add(0, i, names[i], {}, names[names.size() - 1 - i]);
    }
    Add(0, 9, QString::fromUtf8("bell\x07 nul") + QChar(0) + "!", {}, "x");
    manager.currentNode = manager.studios[0].get();
    ASSERT_TRUE(SaveBusinessMemory(store, QString::fromUtf8("Hochzeit 婚礼")));
    ASSERT_TRUE(LoadBusinessMemory(store, QString::fromUtf8("Hochzeit 婚礼")));
    for (int i = 0; i < names.size(); ++i) {
        ASSERT_NE(Memory(i), nullptr);
        EXPECT_EQ(Memory(i)->sModelName, names[i]) << i;
        // Blanks-only text reads back whole, but a carriage return in it becomes a line feed.
        QString light = names[names.size() - 1 - i];
        EXPECT_EQ(Memory(i)->lightNode.sLightName, light == "\t\r\n" ? "\t\n" : light) << i;
    }
    // Characters XML cannot carry are left out rather than making the file unreadable.
    EXPECT_EQ(Memory(9)->sModelName, "bell nul!");
}

TEST_F(BusinessMemoryTest, ValueElementsAreTakenByPositionWhateverTheirNames) {
    QByteArray renamed;
    for (int i = 0; i < 9; ++i) {
        renamed += "<v" + QByteArray::number(i) + ">" + QByteArray::number(10 + i) + "</v" +
                   QByteArray::number(i) + ">";
    }
    ASSERT_TRUE(Load(Document(Studio(Strobe("nChNum=\"4\"", renamed + "<x>Light</x>")))));
    EXPECT_EQ(FieldsOf(*Memory(4)), (Fields{10, 11, 12, 13, 14, 15, 16, 17, 18}));
    EXPECT_EQ(Memory(4)->lightNode.sLightName, "Light");

    // Swapped elements fill the fields in file order, without complaint.
    const QByteArray rest = "<c>0</c><d>0</d><e>0</e><f>0</f><g>0</g><h>0</h><i>0</i><j>L</j>";
    ASSERT_TRUE(Load(Document(
        Studio(Strobe("", "<bFlashCell>1</bFlashCell><nFlashValue>50</nFlashValue>" + rest)))));
    EXPECT_EQ(Memory(0)->nFlashValue, 1);
    EXPECT_EQ(Memory(0)->bFlashCell, 50);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(BusinessMemoryTest, UnitElementNeedsTenChildrenAndIgnoresFurtherOnes) {
    const QByteArray ten = Values({31, 1, 1, 1, 1, 32, 1, 1, 1}, "Ten");
    ASSERT_TRUE(Load(Document(Studio(Strobe("", ten + "<extra>99</extra>")))));
    EXPECT_EQ(FieldsOf(*Memory(0)), (Fields{31, 1, 1, 1, 1, 32, 1, 1, 1}));
    EXPECT_EQ(Memory(0)->lightNode.sLightName, "Ten");

    // Nine children: the load fails, and the unit placed before it is not kept either.
    const QByteArray nine = ten.left(ten.indexOf("<sLightName>"));
    EXPECT_FALSE(Load(Document(Studio(Strobe("nChNum=\"1\"", ten) + Strobe("", nine)))));
    EXPECT_EQ(manager.memoryStudio->nChItemCnt, 0);
    EXPECT_EQ(Memory(1), nullptr);
    EXPECT_EQ(messages, QStringList{kFailToOpen});
}

TEST_F(BusinessMemoryTest, ChannelNumberChoosesTheSlot) {
    const QByteArray v = Values({});
    ASSERT_TRUE(Load(Document(Studio(Strobe("", v) +                 // no nChNum: slot 0
                                     Strobe("nChNum=\"12\"", v) +    // dropped
                                     Strobe("nChNum=\"10\"", v) +    // dropped: one past CH-10
                                     Strobe("nChNum=\"-1\"", v) +    // dropped
                                     Strobe("nChNum=\" 5th\"", v) +  // reads 5
                                     Strobe("nChNum=\"9\" sModelName=\"First\"", v) +
                                     Strobe("nChNum=\"9\" sModelName=\"Second\"", v)))));
    EXPECT_EQ(manager.memoryStudio->nChItemCnt, 3);
    EXPECT_NE(Memory(0), nullptr);
    EXPECT_NE(Memory(5), nullptr);
    EXPECT_EQ(Memory(5)->sModelName, "Not define");
    EXPECT_EQ(Memory(9)->sModelName, "Second");
    EXPECT_EQ(Memory(9)->sChName, "CH-10");  // from the slot table, not the file
}

TEST_F(BusinessMemoryTest, UnitsAreStoredFromTheFirstStudioWithANumberOn) {
    const QByteArray a = Strobe("nChNum=\"1\" sModelName=\"A\"", Values({}));
    const QByteArray b = Strobe("nChNum=\"1\" sModelName=\"B\"", Values({}));
    const QByteArray c = Strobe("nChNum=\"2\" sModelName=\"C\"", Values({}));
    ASSERT_TRUE(Load(Document(Studio(a, "sStudioName=\"x\""))));
    EXPECT_EQ(manager.memoryStudio->nChItemCnt, 0);

    ASSERT_TRUE(Load(Document(Studio(a + c, "") + Studio(b, "nStudioNum=\"\""))));
    EXPECT_EQ(manager.memoryStudio->nChItemCnt, 1);
    EXPECT_EQ(Memory(1)->sModelName, "B");

    // "From here on": a studio without a number after a numbered one is stored too.
    ASSERT_TRUE(Load(Document(Studio(a) + Studio(c, ""))));
    EXPECT_EQ(manager.memoryStudio->nChItemCnt, 2);
    EXPECT_EQ(Memory(2)->sModelName, "C");

    // Two numbered studios merge; for a slot in both the later element wins.
    ASSERT_TRUE(Load(Document(Studio(a + c) + Studio(b, "nStudioNum=\"3\""))));
    EXPECT_EQ(manager.memoryStudio->nChItemCnt, 2);
    EXPECT_EQ(Memory(1)->sModelName, "B");
    EXPECT_EQ(Memory(2)->sModelName, "C");

    // Empty root and empty studio are fine.
    EXPECT_TRUE(Load(Document("")));
    EXPECT_TRUE(Load(Document(Studio(""))));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(BusinessMemoryTest, ValueTextReadsAsDecimalLikeTheCLibrary) {
    const QByteArray children =
        "<a>abc</a><b> \t 42xyz</b><c>-7</c><d>+8</d><e>0x1F</e><f>99999999999</f>"
        "<g>-99999999999</g><h></h><i>&#32;3</i><j>Light</j>";
    ASSERT_TRUE(Load(Document(Studio(Strobe("", children)))));
    EXPECT_EQ(FieldsOf(*Memory(0)), (Fields{0, 42, -7, 8, 0, INT_MAX, INT_MIN, 0, 3}));
}

TEST_F(BusinessMemoryTest, WrongRootOrForeignNodesFailTheLoad) {
    const QByteArray unit = Strobe("nChNum=\"3\"", Values({}));
    const QByteArray bad[] = {
        Document(Studio(unit), "studioManage"),    // root name differs in case
        Document(Studio(unit), "Other"),           // another root
        Document("<!-- note -->" + Studio(unit)),  // comment under the root
        Document(Studio("<!-- note -->" + unit)),  // comment under a studio
        Document("text" + Studio(unit)),           // text under the root
        Document(Studio(unit)).chopped(3),         // not well-formed
        "<?xml version=\"1.0\"?>",                 // no root element
        "",                                        // empty file
    };
    for (const QByteArray& xml : bad) {
        messages.clear();
        EXPECT_FALSE(Load(xml)) << xml.constData();
        EXPECT_EQ(manager.memoryStudio->nChItemCnt, 0) << xml.constData();
        EXPECT_EQ(messages, QStringList{kFailToOpen}) << xml.constData();
    }
    // Among the value children a comment holds a position like any other node.
    QByteArray nine = Values({11, 12, 13, 14, 15, 16, 17, 18, 19});
    nine.truncate(nine.indexOf("<sLightName>"));
    ASSERT_TRUE(Load(Document(Studio(Strobe("", "<!--5-->" + nine)))));
    EXPECT_EQ(FieldsOf(*Memory(0)), (Fields{5, 11, 12, 13, 14, 15, 16, 17, 18}));
    EXPECT_EQ(Memory(0)->lightNode.sLightName, "19");
}

TEST_F(BusinessMemoryTest, FileWithoutLayoutTextOrInAnotherEncodingLoadsTheSame) {
    QByteArray golden = ReadTestData("data/two_units.xml");
    ASSERT_FALSE(golden.isEmpty());
    QByteArray flat = golden;
    flat.replace("\t", "").replace("\n", "");
    ASSERT_TRUE(Load(flat));
    EXPECT_EQ(Memory(7)->lightNode.sLightName, R"(Strip <"60">)");

    QString text = QString::fromUtf8(golden).replace("utf-8", "utf-16");
    QByteArray utf16("\xFF\xFE", 2);
    utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    ASSERT_TRUE(Load(utf16));
    EXPECT_EQ(FieldsOf(*Memory(7)), (Fields{81, 0, 1, 0, 1, 11, 0, 1, 0}));

    QByteArray latin1 = golden;
    latin1.replace("utf-8", "ISO-8859-1").replace("Key light", "Cl\xE9");
    ASSERT_TRUE(Load(latin1));
    EXPECT_EQ(Memory(2)->sModelName, QString::fromUtf8("Clé"));
}

TEST_F(BusinessMemoryTest, OversizedOrPathologicalFilesAreRefusedUnparsed) {
    const QByteArray golden = ReadTestData("data/two_units.xml");
    const int at = golden.indexOf("<StudioManage>");
    auto padded = [&](qint64 total) {
        QByteArray comment = "<!--" + QByteArray(total - golden.size() - 8, 'x') + "-->";
        return golden.left(at) + comment + "\n" + golden.mid(at);
    };
    EXPECT_TRUE(Load(padded(kMaxXmlFileBytes)));  // exactly 1 MiB is still a file of ours
    EXPECT_FALSE(Load(padded(2 * kMaxXmlFileBytes)));
    EXPECT_EQ(manager.memoryStudio->nChItemCnt, 0);

    // Each of these would keep the parser busy for minutes.
    QByteArray deep = QByteArray("<a>").repeated(100000) + QByteArray("</a>").repeated(100000);
    QByteArray wide = "<StudioManage";
    for (int i = 0; i < 60000; ++i) {
        wide += " a" + QByteArray::number(i) + "=''";
    }
    wide += "/>";
    QByteArray laughs = Document(Studio(Strobe("sModelName=\"&a;\"", Values({}))));
    laughs.insert(laughs.indexOf("<StudioManage>"), "<!DOCTYPE StudioManage [<!ENTITY a 'aaa'>]>");
    // The same attributes in UTF-7, where no '=' shows as a byte.
    QByteArray wide7 = wide;
    wide7.replace("=", "+AD0-").prepend("<?xml version=\"1.0\" encoding=\"UTF-7\"?>");
    for (const QByteArray& xml : {deep, wide, wide7, laughs}) {
        EXPECT_FALSE(Load(xml));
    }
    EXPECT_EQ(messages.size(), 5);
}

TEST_F(BusinessMemoryTest, SomethingOtherThanARegularFileIsNotOpened) {
    ASSERT_TRUE(QDir(dir.Path()).mkdir("Business Memory/folder.xml"));
    EXPECT_FALSE(LoadBusinessMemory(store, "folder"));
    // A named pipe would block a reader for good.
    ASSERT_EQ(
        ::mkfifo(QFile::encodeName(dir.FilePath("Business Memory/pipe.xml")).constData(), 0600), 0);
    EXPECT_FALSE(LoadBusinessMemory(store, "pipe"));
    EXPECT_FALSE(LoadBusinessMemory(store, "missing"));
    EXPECT_EQ(messages, QStringList(3, kFailToOpen));
}

TEST_F(BusinessMemoryTest, HostileNamesWriteNothingAndLoadNothing) {
    Add(1, 0, "Key", {}, "L");
    manager.currentNode = manager.studios[1].get();
    const QStringList before = dir.Tree();
    const QString names[] = {"../x", "a/b",     "",      "..",     ".",
                             "CON",  "nul.txt", "..\\x", "/tmp/x", QString("x") + QChar(0) + "y"};
    for (const QString& name : names) {
        messages.clear();
        EXPECT_FALSE(SaveBusinessMemory(store, name)) << name.toStdString();
        EXPECT_FALSE(LoadBusinessMemory(store, name)) << name.toStdString();
        EXPECT_EQ(messages, QStringList(2, "Business Memory: Invalid file name."));
    }
    EXPECT_EQ(dir.Tree(), before);
}

TEST_F(BusinessMemoryTest, EmptyOrMissingStudioSavesNothingButCountsAsDone) {
    EXPECT_TRUE(SaveBusinessMemory(store, "none"));  // no current node yet
    manager.currentNode = manager.studios[3].get();
    EXPECT_TRUE(SaveBusinessMemory(store, "empty"));
    EXPECT_EQ(messages, QStringList(2, "Business Memory: No channel item."));
    EXPECT_TRUE(QDir(dir.FilePath(kBusinessMemoryFolder)).isEmpty());
    // The folder is made by the listing only; a save into a vanished folder fails.
    Add(3, 0, "Key", {}, "L");
    ASSERT_TRUE(QDir(dir.FilePath(kBusinessMemoryFolder)).removeRecursively());
    EXPECT_FALSE(SaveBusinessMemory(store, "gone"));
    EXPECT_EQ(messages.last(), "Business Memory: Fail to save file");
}

TEST_F(BusinessMemoryTest, ListingShowsOpenableTitlesSortedAndCreatesTheFolder) {
    ASSERT_TRUE(QDir(dir.FilePath(kBusinessMemoryFolder)).removeRecursively());
    ListBusinessMemory(store);
    EXPECT_TRUE(listed.isEmpty());
    EXPECT_TRUE(QFileInfo(dir.FilePath(kBusinessMemoryFolder)).isDir());

    for (const char* f : {"beta.xml", "Alpha.xml", "gamma.xml.bak", "Upper.XML", "CON.xml",
                          "a.b.xml", "notes.txt", ".hidden.xml"}) {
        dir.WriteFile(QStringLiteral("Business Memory/") + f, "<x/>");
    }
    ASSERT_TRUE(QDir(dir.Path()).mkdir("Business Memory/dir.xml"));
    ListBusinessMemory(store);
    EXPECT_EQ(listed, (QStringList{".hidden", "a.b", "Alpha", "beta"}));
}

TEST_F(BusinessMemoryTest, ApplyCopiesOnlySlotsOccupiedInBoth) {
    StudioData& memory = *manager.memoryStudio;
    for (int slot : {0, 1}) {
        StrobeData* u = PlaceUnit(memory, slot, std::make_unique<StrobeData>());
        u->sModelName = "Mem";
        u->nFlashValue = 70;
        u->nModelValue = 60;
        u->bModelPow = 0;
        u->lightNode.sLightName = "MemLight";
        u->bSelected = 1;
        u->nTemperature = 99;
    }
    StrobeData* one = Add(4, 1, "Old", {20, 0, 0, 1, 1, 20, 0, 0, 1}, "OldLight");
    StrobeData* two = Add(4, 2, "Two", {30, 0, 0, 1, 1, 30, 0, 0, 1}, "TwoLight");
    one->nTemperature = 40;

    EXPECT_TRUE(ApplyMemoryStudio(manager.studios[4].get(), memory));
    EXPECT_EQ(one->sModelName, "Mem");
    EXPECT_EQ(one->lightNode.sLightName, "MemLight");
    EXPECT_EQ(FieldsOf(*one), (Fields{70, 0, 0, 1, 1, 60, 0, 0, 0}));
    EXPECT_EQ(one->bSelected, 0);
    EXPECT_EQ(one->nTemperature, 40);
    EXPECT_EQ(one->sChName, "CH-02");
    EXPECT_EQ(two->sModelName, "Two");
    EXPECT_EQ(FieldsOf(*two), (Fields{30, 0, 0, 1, 1, 30, 0, 0, 1}));
    EXPECT_EQ(manager.studios[4]->nChItemCnt, 2);  // slot 0 is not created
    EXPECT_FALSE(ApplyMemoryStudio(nullptr, memory));

    // One value no unit can hold, even in a slot the studio lacks: nothing is applied, and
    // the first such value is named.
    for (const auto& [member, value, fault] :
         {std::tuple{&StrobeData::nFlashValue, 256, "CH-01 flash 25.6 is outside 1.1 .. 8.1"},
          std::tuple{&StrobeData::nModelValue, -5, "CH-01 model -0.5 is outside 1.1 .. 8.1"},
          std::tuple{&StrobeData::nModelValue, 10, "CH-01 model 1.0 is outside 1.1 .. 8.1"},
          std::tuple{&StrobeData::bFlashSnd, 2, "CH-01 sound 2 is outside 0 .. 1"}}) {
        memory.UnitAt(0)->*member = value;
        memory.UnitAt(1)->nFlashValue = 20;
        EXPECT_EQ(MemoryFault(memory), fault);
        EXPECT_FALSE(ApplyMemoryStudio(manager.studios[4].get(), memory)) << fault;
        EXPECT_EQ(one->nFlashValue, 70) << fault;
        memory.UnitAt(0)->*member = member == &StrobeData::bFlashSnd ? 0 : 50;
    }
    EXPECT_EQ(MemoryFault(memory), "");
}

TEST(MemoryNameTest, OnlyPlainPortableFileNamesAreAccepted) {
    const QString accepted[] = {"Wedding 2024",
                                QString::fromUtf8("Ünïcödé 婚礼"),
                                "a.b",
                                ".hidden",
                                "con-test",
                                "COM10",
                                "CONSOLE",
                                " leading blank",
                                QString(251, 'a'),
                                QString::fromUtf8("\U0001F600")};
    for (const QString& name : accepted) {
        EXPECT_TRUE(IsValidMemoryName(name)) << name.toStdString();
    }
    const QString refused[] = {
        "",
        ".",
        "..",
        "../x",
        "a/b",
        "a\\b",  // empty, dot names, separators
        "a:b",
        "a*b",
        "a?b",
        "a\"b",
        "a<b",
        "a>b",
        "a|b",  // refused on Windows
        "tab\tname",
        QString("x") + QChar(0x7F),
        QString("x") + QChar(0),  // control characters
        "trailing.",
        "trailing ",  // Windows strips them
        "CON",
        "con",
        "nul.txt",
        "COM1",
        "lpt9.xml",
        "CON .txt",
        "AUX",
        "COM0",                          // devices
        QString("COM") + QChar(0x00B9),  // COM¹
        QString(252, 'a'),               // with ".xml" over 255 units
        QString(84, QChar(0x5A5A)),      // 252 bytes of UTF-8, with ".xml" over 255 bytes
        QString(QChar(0xD800)) + "x",    // a lone surrogate has no file-name form
    };
    for (const QString& name : refused) {
        EXPECT_FALSE(IsValidMemoryName(name)) << name.toStdString();
    }
}

}  // namespace
