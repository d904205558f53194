// Hostile and damaged input through the real main frame: Business Memory files with values no
// unit can hold, links that lead out of the folder, files swapped for FIFOs while in use, and
// reports with impossible powers. Each row says what the operator did or the line carried,
// what went out on the pseudo-terminal, what the operator was told and what is on disk.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <thread>

#include "OperatorSeamFixture.h"
#include "link/CLinkObserver.h"
#include "store/CXmlStore.h"
#include "widgets/CUserStatic.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// A memory of the given units (slot, then the nine setting fields as the file holds them).
struct MemoryUnit {
    int slot;
    std::array<int, 9> fields;
};
QByteArray MemoryXml(std::initializer_list<MemoryUnit> units) {
    QByteArray xml =
        "<?xml version='1.0' encoding='utf-8'?>\n<StudioManage>\n\t<Studio nStudioNum=\"0\" "
        "sStudioName=\"Studio A\" nChItemCnt=\"1\">";
    for (const MemoryUnit& u : units) {
        xml += "\n\t\t<Strobe nChNum=\"" + QByteArray::number(u.slot) +
               "\" sChName=\"x\" sModelName=\"Mem\">";
        for (int v : u.fields) {
            xml += "<v>" + QByteArray::number(v) + "</v>";
        }
        xml += "<sLightName>L</sLightName></Strobe>";
    }
    return xml + "\n\t</Studio>\n</StudioManage>\n";
}
// flash, cell, sound, charge, power, model, mode1, mode2, model power
constexpr std::array<int, 9> kGood{50, 0, 0, 1, 1, 40, 0, 0, 1};

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}
void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

// The frame log's events, as the frame tells them.
class CEventLog : public CLinkObserver {
public:
    void OnSent(const quint8*, int, int) override {}
    void OnReceived(const quint8*, int) override {}
    void OnEvent(Event event, const QString& detail) override {
        if (event == Event::kValueDropped) {
            dropped.push_back(detail);
        }
    }
    QStringList dropped;  // UI thread only: the report handler's events
};

// Runs step on this thread; should it still run after two seconds, a writer opens each of
// the FIFOs in turn until it ends, so that a reader blocked in open comes free. True when a
// writer was needed.
bool Waited(const QStringList& fifos, const std::function<void()>& step) {
    std::atomic<bool> done{false};
    std::atomic<bool> rescued{false};
    std::thread writer([&] {
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (!done && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(10ms);
        }
        while (!done) {
            for (const QString& p : fifos) {
                // Without a reader waiting this fails at once, never blocks.
                const int fd = ::open(QFile::encodeName(p).constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    rescued = true;
                    ::close(fd);
                }
            }
            std::this_thread::sleep_for(10ms);
        }
    });
    step();
    done = true;
    writer.join();
    return rescued;
}

class CHostileInputTest : public COperatorSeamTest {
protected:
    QString Memory(const QString& title) {
        return Path(QStringLiteral("Business Memory/%1.xml").arg(title));
    }
    void MakeMemoryFolder() {
        ASSERT_TRUE(QDir(Folder()).mkpath(QStringLiteral("Business Memory")));
        ASSERT_TRUE(QDir(Folder()).mkpath(QStringLiteral("elsewhere")));
    }
    QTreeWidget* files() { return panel().findChild<QTreeWidget*>(QStringLiteral("fileList")); }
    QString preview() {
        return panel().findChild<QPlainTextEdit*>(QStringLiteral("infoEdit"))->toPlainText();
    }
    bool Listed(const QString& title) {
        return !files()->findItems(title, Qt::MatchExactly).isEmpty();
    }
    // The operator clicks a listed memory.
    void ClickFile(const QString& title) {
        const auto items = files()->findItems(title, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << title.toStdString();
        files()->scrollToItem(items[0]);
        QTest::mouseClick(files()->viewport(), Qt::LeftButton, {},
                          files()->visualItemRect(items[0]).center());
    }
    void PressLoad() { QTest::keyClick(files(), Qt::Key_O, Qt::ControlModifier); }
    void SaveAs(const QString& title) {
        Retype(memoryName(), title);
        QTest::keyClick(memoryName(), Qt::Key_S, Qt::ControlModifier);
    }
    QString LastBox() const { return boxes.isEmpty() ? QString() : boxes.last().text; }
};

// A memory holding a value no unit can hold is shown as it is, marked, and is not applied:
// the operator is told which unit and field, nothing is sent, no unit changes.
TEST_F(CHostileInputTest, ADamagedMemoryIsShownMarkedAndNeverApplied) {
    struct Row {
        const char* title;
        QByteArray file;
        const char* preview;  // the damaged unit's line
        const char* told;     // empty: applied, the confirmation the only box
        const char* sent;     // the first frame sent
    };
    const Row rows[] = {
        // Low bytes would send flash 0 and model 4.4.
        {"wrap256", MemoryXml({{0, kGood}, {1, {256, 0, 0, 1, 1, 300, 0, 0, 1}}}),
         "CH-02 Flash 25.6 (invalid) Model 30.0 (invalid)",
         "CH-02 flash 25.6 is outside 1.1 .. 8.1; nothing was sent", ""},
        // The grid would show "F 99.9" while the unit got 23.1.
        {"big999", MemoryXml({{3, {999, 0, 0, 1, 1, 40, 0, 0, 1}}}),
         "CH-04 Flash 99.9 (invalid) Model 4.0",
         "CH-04 flash 99.9 is outside 1.1 .. 8.1; nothing was sent", ""},
        // 0xFF, the start byte, inside a frame body.
        {"start255", MemoryXml({{0, {50, 0, 0, 1, 1, 255, 0, 0, 1}}}),
         "CH-01 Flash 5.0 Model 25.5 (invalid)",
         "CH-01 model 25.5 is outside 1.1 .. 8.1; nothing was sent", ""},
        // Never "0.-5".
        {"minus5", MemoryXml({{0, {50, 0, 0, 1, 1, -5, 0, 0, 1}}}),
         "CH-01 Flash 5.0 Model -0.5 (invalid)",
         "CH-01 model -0.5 is outside 1.1 .. 8.1; nothing was sent", ""},
        {"tenth", MemoryXml({{1, {10, 0, 0, 1, 1, 82, 0, 0, 1}}}),
         "CH-02 Flash 1.0 (invalid) Model 8.2 (invalid)",
         "CH-02 flash 1.0 is outside 1.1 .. 8.1; nothing was sent", ""},
        // Switches and modes hold their codes; the line names what it does not show.
        {"cell2", MemoryXml({{0, {50, 2, 0, 1, 1, 40, 0, 0, 1}}}),
         "CH-01 Flash 5.0 Model 4.0 cell 2 (invalid)",
         "CH-01 cell 2 is outside 0 .. 1; nothing was sent", ""},
        {"mode2", MemoryXml({{0, {50, 0, 0, 1, 1, 40, 0, 16, 1}}}),
         "CH-01 Flash 5.0 Model 4.0 mode2 16 (invalid)",
         "CH-01 mode2 16 is outside 0 .. 1; nothing was sent", ""},
        // Switched off: the damaged power is still named.
        {"offwild", MemoryXml({{0, {700, 0, 0, 1, 0, 40, 0, 0, -1}}}),
         "CH-01 Flash OFF Model 4.0 flash 70.0 (invalid) model power -1 (invalid)",
         "CH-01 flash 70.0 is outside 1.1 .. 8.1; nothing was sent", ""},
        // A sound memory is applied and sent as before.
        {"good", MemoryXml({{0, kGood}}), "CH-01 Flash 5.0 Model 4.0", "",
         "FF 0E 01 00 01 01 32 28 00 00 00 00 01 00"},
    };
    MakeMemoryFolder();
    for (const Row& r : rows) {
        WriteBytes(Memory(QString::fromLatin1(r.title)), r.file);
    }
    Start({0, 1, 3});
    const QStringList before = QDir(Path(QStringLiteral("Business Memory"))).entryList();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.title);
        const auto studio = std::array{Settings(unit(0)), Settings(unit(1)), Settings(unit(3))};
        ClickFile(QString::fromLatin1(r.title));
        EXPECT_TRUE(preview().contains(QString::fromLatin1(r.preview))) << preview().toStdString();
        EXPECT_FALSE(preview().contains(QStringLiteral(".-"))) << preview().toStdString();
        boxes.clear();
        PressLoad();
        PumpEvents(20ms);
        const std::string sent = Sent();
        if (*r.told != '\0') {
            ASSERT_EQ(boxes.size(), 1) << LastBox().toStdString();
            EXPECT_EQ(LastBox(), r.told);
            EXPECT_EQ(boxes.last().caption, "Business Memory");
            EXPECT_EQ(sent, "");
            EXPECT_EQ(Settings(unit(0)), studio[0]);
            EXPECT_EQ(Settings(unit(1)), studio[1]);
            EXPECT_EQ(Settings(unit(3)), studio[2]);
            EXPECT_EQ(unit(0)->sModelName, "Not define");
        } else {
            ASSERT_EQ(boxes.size(), 1);
            EXPECT_EQ(LastBox(), "Current settig is deleted. Do you want to open file?");
            EXPECT_EQ(sent.substr(0, std::string(r.sent).size()), r.sent) << sent;
            EXPECT_EQ(unit(0)->nFlashValue, 50);
        }
        EXPECT_EQ(ReadBytes(Memory(QString::fromLatin1(r.title))), r.file);
    }
    EXPECT_EQ(QDir(Path(QStringLiteral("Business Memory"))).entryList(), before);
}

// A memory is read and written only as a file inside its folder: a link that leads out (or
// nowhere) is not listed, not loaded and never written through; a link within the folder,
// and Option.xml as a link, are the operator's own arrangement and work as files.
TEST_F(CHostileInputTest, LinksNeverLeadASaveOrALoadOutOfTheFolder) {
    MakeMemoryFolder();
    const QByteArray outside = MemoryXml({{0, kGood}});
    WriteBytes(Path(QStringLiteral("elsewhere/Out2.xml")), outside);
    WriteBytes(Path(QStringLiteral("elsewhere/Option.xml")),
               "<?xml version='1.0' encoding='utf-8'?>\n<Option><ComSet><sComPort>COM3"
               "</sComPort><nBaud>9600</nBaud></ComSet></Option>\n");
    WriteBytes(Memory(QStringLiteral("real")), outside);
    ASSERT_TRUE(QFile::link(QStringLiteral("../elsewhere/Out2.xml"), Memory("Out2")));
    ASSERT_TRUE(QFile::link(Path(QStringLiteral("elsewhere/Out2.xml")), Memory("Abs")));
    ASSERT_TRUE(QFile::link(QStringLiteral("../elsewhere/none.xml"), Memory("Dangle")));
    ASSERT_TRUE(QFile::link(QStringLiteral("real.xml"), Memory("Inside")));
    ASSERT_TRUE(QFile::link(QStringLiteral("elsewhere/Option.xml"), Path("Option.xml")));

    Start({0, 1});
    // Option.xml as a link: read through it, and the Com dialog's port saved through it.
    EXPECT_TRUE(QFileInfo(Path("Option.xml")).isSymLink());
    EXPECT_TRUE(ReadBytes(Path(QStringLiteral("elsewhere/Option.xml"))).contains("sim-test"));

    const QString refused = QStringLiteral(
        "\"%1\" is a link that does not lead to a file in the Business Memory folder; nothing "
        "was saved.");
    struct Row {
        const char* title;
        bool listed;
        QString toldOnSave;
        const char* target;  // the file the name leads to, afterwards
        bool rewritten;      // its content is now this studio's
    };
    const Row rows[] = {
        {"Out2", false, refused.arg("Out2"), "elsewhere/Out2.xml", false},
        {"Abs", false, refused.arg("Abs"), "elsewhere/Out2.xml", false},
        {"Dangle", false, refused.arg("Dangle"), "elsewhere/none.xml", false},
        {"Inside", true, "", "Business Memory/real.xml", true},
        {"real", true, "", "Business Memory/real.xml", true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.title);
        const QString title = QString::fromLatin1(r.title);
        EXPECT_EQ(Listed(title), r.listed);
        // Not loaded either, should it be named all the same (a list older than the link).
        boxes.clear();
        EXPECT_EQ(LoadBusinessMemory(frame->XmlStore(), title), r.listed);
        EXPECT_EQ(LastBox(), r.listed ? "" : "Fail to open file");
        EXPECT_EQ(manager().memoryStudio->nChItemCnt > 0, r.listed);

        const QByteArray before = ReadBytes(Path(QString::fromLatin1(r.target)));
        unit(0)->sModelName = title;  // so that each save writes something new
        boxes.clear();
        SaveAs(title);
        ASSERT_FALSE(boxes.isEmpty());
        EXPECT_EQ(boxes.first().text, "Do you want to save current setting?");
        EXPECT_EQ(boxes.size() == 1 ? QString() : LastBox(), r.toldOnSave);
        const QByteArray after = ReadBytes(Path(QString::fromLatin1(r.target)));
        if (r.rewritten) {
            EXPECT_TRUE(after.contains("sModelName=\"" + title.toUtf8() + "\""));
        } else {
            EXPECT_EQ(after, before);
        }
        EXPECT_EQ(QFileInfo(Memory(title)).isSymLink(), title != "real");
        EXPECT_EQ(Sent(), "");
    }
    EXPECT_EQ(QDir(Path(QStringLiteral("elsewhere"))).entryList(QDir::Files),
              QStringList({"Option.xml", "Out2.xml"}));
}

// A file swapped for a FIFO (or a link to one, or a device) between the listing and the load,
// as a shared or synced folder can do, is refused at once: the UI thread never waits in open
// for a writer, the timer of the window keeps firing, and the operator is told. Option.xml,
// a link to a FIFO, is read at start-up the same way. Should a read block after all, a writer
// comes after two seconds so that the test ends and fails.
TEST_F(CHostileInputTest, AFileSwappedForAFifoIsRefusedWithoutWaiting) {
    MakeMemoryFolder();
    const QByteArray good = MemoryXml({{0, kGood}});
    const QString fifo = Path(QStringLiteral("elsewhere/pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(Memory("innerpipe")).constData(), 0600), 0);
    struct Row {
        const char* title;
        std::function<void(const QString& path)> swap;
    };
    const Row rows[] = {
        {"fifo", [](const QString& p) { ::mkfifo(QFile::encodeName(p).constData(), 0600); }},
        {"linkToInnerFifo",
         [](const QString& p) { QFile::link(QStringLiteral("innerpipe.xml"), p); }},
        {"linkToOuterFifo", [&](const QString& p) { QFile::link(fifo, p); }},
        {"device", [](const QString& p) { QFile::link(QStringLiteral("/dev/zero"), p); }},
        {"folder", [](const QString& p) { QDir().mkdir(p); }},
    };
    for (const Row& r : rows) {
        WriteBytes(Memory(QString::fromLatin1(r.title)), good);
    }
    // Option.xml a link to a FIFO: read at start-up without waiting, the defaults kept.
    const QString optionFifo = Path(QStringLiteral("elsewhere/optionpipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(optionFifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(optionFifo, Path(QStringLiteral("Option.xml"))));
    EXPECT_FALSE(Waited({optionFifo}, [&] { Start({0}); })) << "start-up waited for a writer";
    ASSERT_EQ(unit(0)->nFlashValue, 45);
    EXPECT_FALSE(Listed(QStringLiteral("innerpipe")));  // a FIFO found before is not listed
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(5ms);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.title);
        const QString path = Memory(QString::fromLatin1(r.title));
        ASSERT_TRUE(Listed(QString::fromLatin1(r.title)));
        ASSERT_TRUE(QFile::remove(path));
        r.swap(path);

        boxes.clear();
        const bool waited = Waited({path, fifo, Memory("innerpipe")},
                                   [&] { ClickFile(QString::fromLatin1(r.title)); });
        EXPECT_FALSE(waited) << "the load waited for a writer";
        EXPECT_EQ(LastBox(), "Fail to open file");
        EXPECT_EQ(preview(), "");
        EXPECT_EQ(manager().memoryStudio->nChItemCnt, 0);
        const int before = ticks;
        PumpEvents(30ms);
        EXPECT_GT(ticks, before);
        EXPECT_EQ(Sent(), "");
    }
}

// Every report that carries a power keeps to what a unit can hold: a value outside 1.1 .. 8.1
// is ignored (the other values of the report still count), never shown in the grid or the
// panel, and each one dropped is counted in the frame log.
TEST_F(CHostileInputTest, ReportsWithImpossiblePowersAreIgnoredAndCounted) {
    CEventLog log;
    Start({0, 1}, [&] { frame->SetLinkObserver(&log); });
    ClickBlock(0);
    struct Row {
        const char* what;
        QByteArray report;
        int unit;
        int flash;
        int model;
        int cell;
        int dropped;  // values dropped by this report
    };
    const Row rows[] = {
        // Status: flash 15.4 and model 22.0 dropped, the cell switch still taken.
        {"status 154/220", FromHex("FF 0E 01 00 01 01 9A DC 01 00 00 00 01 00"), 0, 45, 30, 1, 2},
        {"status 10/82", FromHex("FF 0E 01 00 01 01 0A 52 00 00 00 00 01 00"), 0, 45, 30, 0, 2},
        {"status in range", FromHex("FF 0E 01 00 01 01 32 28 00 00 00 00 01 00"), 0, 50, 40, 0, 0},
        // A new unit makes itself known, without the impossible power.
        {"new unit, flash 5", FromHex("FF 0E 01 00 04 01 05 28 00 00 00 00 01 00"), 2, 0, 40, 0, 1},
        // Setting reports: the changed power decides, the other follows only when it can.
        {"flash 22.0", FromHex("FF 07 13 00 01 DC 28"), 0, 50, 40, 0, 1},
        {"flash 6.0, model 0.5", FromHex("FF 07 13 00 01 3C 05"), 0, 60, 40, 0, 1},
        {"model 25.5", FromHex("FF 07 14 00 02 3C FE"), 1, 45, 30, 0, 1},
        // Power pairs: per value; 00 00 is an empty slot, not a value.
        {"pairs", FromHex("FF 17 1E 9A 28 3C 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"),
         0, 60, 40, 0, 1},
        {"pairs in range",
         FromHex("FF 17 1E 00 00 46 1E 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"), 1, 70, 30,
         0, 0},
    };
    int dropped = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        ASSERT_TRUE(pty.Write(r.report));
        dropped += r.dropped;
        ASSERT_TRUE(WaitUntil([&] { return log.dropped.size() == dropped && unit(r.unit); }));
        PumpEvents(30ms);
        ASSERT_EQ(log.dropped.size(), dropped);
        const StrobeData* u = unit(r.unit);
        EXPECT_EQ(u->nFlashValue, r.flash);
        EXPECT_EQ(u->nModelValue, r.model);
        EXPECT_EQ(u->bFlashCell, r.cell);
        const QString label = grid().CellLabel(0, CNavigationGrid::StatusRow(r.unit));
        const QString shown =
            QStringLiteral("Flash : %1\nModel : %2")
                .arg(r.flash > 0 ? FormatGridPower(r.flash) : QString(), FormatGridPower(r.model));
        EXPECT_EQ(label, shown);
        if (r.unit == 0) {
            EXPECT_EQ(single().flashLabel->text(), FormatPower(r.flash));
            EXPECT_EQ(single().modelLabel->text(), FormatPower(r.model));
        }
        if (r.dropped > 0) {
            EXPECT_TRUE(
                log.dropped.last().endsWith(QStringLiteral("(%1 dropped so far)").arg(dropped)))
                << log.dropped.last().toStdString();
        }
        EXPECT_EQ(Sent(), "");
    }
    EXPECT_EQ(log.dropped.first(),
              "CH-01 flash 154 of a status report ignored, outside 11..81 (1 dropped so far)");
    frame.reset();  // before the log it reports to
}

}  // namespace
