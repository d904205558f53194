#include <poll.h>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardItemModel>
#include <QTest>

#include "ShellTestSupport.h"
#include "link/CCommThread.h"
#include "link/CFrameTrace.h"
#include "link/CTraceFile.h"
#include "link/CZbProtocol.h"
#include "model/StudioManager.h"
#include "navigation/CStudioListFormView.h"
#include "shell/CComSettingDlg.h"
#include "shell/CWaitingDlg.h"
#include "store/CXmlStore.h"
#include "support/CMessageRecorder.h"
#include "support/CPtyPair.h"
#include "support/ViewMessages.h"

using namespace std::chrono_literals;

namespace {

void WriteOption(const QString& folder, const QString& port, int baud) {
    QFile file(QDir(folder).filePath(QString::fromLatin1(kOptionFile)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Option>\n\t<ComSet>\n"
                              "\t\t<sComPort>%1</sComPort>\n\t\t<nBaud>%2</nBaud>\n\t</ComSet>\n"
                              "</Option>\n")
                   .arg(port)
                   .arg(baud)
                   .toUtf8());
}

ComSettings ReadOption(const QString& folder) {
    CXmlStore store(folder);
    ComSettings settings;
    settings.sComPort = QStringLiteral("unread");
    LoadOption(store, settings);
    return settings;
}

// The trace's lines without their time stamps.
QStringList TraceLines(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList lines;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
        lines << line.section(QRegularExpression(QStringLiteral("^ *\\d+\\.\\d{6} ")), 1);
    }
    return lines;
}

bool InOrder(const QStringList& lines, const QStringList& wanted) {
    qsizetype at = 0;
    for (const QString& line : lines) {
        if (at < wanted.size() && line.startsWith(wanted[at])) {
            ++at;
        }
    }
    return at == wanted.size();
}

QStringList Entries(const QComboBox* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) {
        entries << list->itemText(i);
    }
    return entries;
}

}  // namespace

class CConnectionTest : public CConnectedShellTest {};

TEST_F(CConnectionTest, SettingsDialogListsFixedLineSettingsAndPublishedPorts) {
    const QString link = PublishPty();
    // A link whose simulator has ended points nowhere and is not offered.
    ASSERT_TRUE(QFile::link(Path("gone"), Path("strobe-sim/sim-ended")));

    ComSettings settings = DefaultComSettings();
    settings.sComPort = QStringLiteral("com3");  // compared without regard to case
    settings.nBaud = 19200;
    CComSettingDlg dialog(settings);
    const QStringList ports = Entries(dialog.PortList());
    ASSERT_GE(ports.size(), 11);
    // What is there to open comes first; the COM names that stored files may hold follow.
    const qsizetype com1 = ports.indexOf("COM1");
    ASSERT_GE(com1, 1);
    EXPECT_EQ(ports.mid(com1, 10), QStringList({"COM1", "COM2", "COM3", "COM4", "COM5", "COM6",
                                                "COM7", "COM8", "COM9", "COM10"}));
    EXPECT_GE(ports.indexOf(link), 0);
    EXPECT_LT(ports.indexOf(link), com1);
    EXPECT_FALSE(ports.contains(Path("strobe-sim/sim-ended")));
    EXPECT_EQ(dialog.PortList()->currentText(), "COM3");
    EXPECT_TRUE(dialog.PortList()->isEnabled());

    // The line settings show 9600 8N1 whatever was stored, and cannot be changed.
    EXPECT_EQ(dialog.BaudList()->currentText(), "9600");
    EXPECT_EQ(Entries(dialog.BaudList()).size(), 13);
    EXPECT_EQ(dialog.ParityList()->currentText(), "NONE");
    EXPECT_EQ(dialog.DataBitsList()->currentText(), "8");
    EXPECT_EQ(dialog.StopBitsList()->currentText(), "1");
    for (QComboBox* fixed :
         {dialog.BaudList(), dialog.ParityList(), dialog.DataBitsList(), dialog.StopBitsList()}) {
        EXPECT_FALSE(fixed->isEnabled());
    }

    // Cancel leaves the settings alone; Ok writes all five.
    dialog.reject();
    EXPECT_EQ(settings.nBaud, 19200);
    dialog.accept();
    EXPECT_EQ(settings.sComPort, "COM3");
    EXPECT_EQ(settings.nBaud, 9600);
    EXPECT_EQ(settings.nDataBits, 8);
    EXPECT_EQ(settings.nParity, 0);
    EXPECT_EQ(settings.nStopBits, 0);
}

TEST_F(CConnectionTest, OkConnectsAndSavesTheOpenDialogAndCancelChangeNothing) {
    ASSERT_TRUE(pty.IsValid());
    WriteOption(Folder(), QStringLiteral("COM5"), 19200);
    const QString link = PublishPty();
    CMainFrame& f = MakeFrame();
    EXPECT_EQ(f.Settings().sComPort, "COM5");
    EXPECT_EQ(f.Settings().nBaud, 19200);

    Com(link, true);
    EXPECT_TRUE(f.IsConnected());
    EXPECT_TRUE(f.Link().IsOpen());
    EXPECT_EQ(f.StatusPane(1)->text(), "Zigbee connected");
    EXPECT_EQ(ReadOption(Folder()).sComPort, link);
    EXPECT_EQ(ReadOption(Folder()).nBaud, 9600);
    const quint32 generation = f.Link().Generation();
    f.Protocol().SelectStudio(0);
    EXPECT_EQ(HexBytes(pty.Read(5)), "FF 05 00 00 41");

    // Connected, the dialog looked at and cancelled: the link stays open all along, and the
    // dongle never sees its port closed (a hang-up on its side) nor opened again.
    const auto hungUp = [this] {
        pollfd p{pty.MasterFd(), POLLIN, 0};
        return ::poll(&p, 1, 0) > 0 && (p.revents & POLLHUP) != 0;
    };
    bool openWhileShown = false;
    WhenModal<CComSettingDlg>(&f, [&](CComSettingDlg* dialog) {
        PumpEvents(50ms);
        openWhileShown = f.IsConnected() && f.Link().IsOpen() && !hungUp() &&
                         f.StatusPane(1)->text() == "Zigbee connected";
        QTest::mouseClick(dialog->findChild<QPushButton*>("cancel"), Qt::LeftButton);
    });
    f.OnCom();
    EXPECT_TRUE(openWhileShown);
    PumpEvents(50ms);
    EXPECT_TRUE(f.IsConnected());
    EXPECT_TRUE(f.Link().IsOpen());
    EXPECT_FALSE(hungUp());
    EXPECT_EQ(f.Link().Generation(), generation);
    EXPECT_EQ(f.StatusPane(1)->text(), "Zigbee connected");
    EXPECT_EQ(ReadOption(Folder()).sComPort, link);  // a cancelled dialog writes nothing
    // Frames go out and come in after it as before.
    f.Protocol().SelectStudio(1);
    EXPECT_EQ(HexBytes(pty.Read(5)), "FF 05 00 00 42");
    f.Manager().currentNode = f.Manager().StudioAt(1);
    ASSERT_TRUE(pty.Write(FromHex("FF 0E 01 00 01 01 2D 32 00 01 01 00 01 00")));
    EXPECT_TRUE(WaitUntil([&] { return f.Manager().StudioAt(1)->UnitAt(0) != nullptr; }));
}

TEST_F(CConnectionTest, CloseNoticeOfAnEarlierOpeningIsIgnored) {
    const QString link = PublishPty();
    CMainFrame& f = MakeFrame();
    Com(link, true);
    ASSERT_TRUE(f.IsConnected());
    const quint32 first = f.Link().Generation();

    // Ok on the same port: closed and opened again. The old watcher's notice, wherever it
    // lands, must not mark the new opening closed.
    Com(QString(), true);
    ASSERT_TRUE(f.IsConnected());
    ASSERT_NE(f.Link().Generation(), first);
    PostAppMessage(&f, kClosedNotice, first);
    PumpEvents(50ms);
    EXPECT_TRUE(f.IsConnected());
    EXPECT_EQ(f.StatusPane(1)->text(), "Zigbee connected");

    // The dongle pulled out: the present watcher's notice does count.
    pty.CloseMaster();
    EXPECT_TRUE(WaitUntil([&] { return !f.IsConnected(); }));
    EXPECT_EQ(f.StatusPane(1)->text(), "Zigbee disconnected");
}

TEST_F(CConnectionTest, AFailedConnectionSaysWhyAndTheFrameLogKeepsEveryFrame) {
    const QString link = PublishPty();
    const QString tracePath = Path(QStringLiteral("trace.log"));
    QString error;
    {
        CFrameTrace trace(CTraceFile::Open(tracePath, &error));
        CMainFrame& f = MakeFrame();
        f.SetLinkObserver(&trace);

        // Another program has the dongle: the first pane says so; no box, nothing connected.
        {
            CMessageRecorder otherWindow;
            CCommThread other(&otherWindow);
            ASSERT_TRUE(other.OpenPort(pty.SlavePath(), 9600, 8, 0, 0));
            Com(link, true);
            EXPECT_FALSE(f.IsConnected());
            EXPECT_EQ(f.StatusPane(1)->text(), "Zigbee disconnected");
            EXPECT_TRUE(f.StatusPane(0)->text().startsWith(
                QStringLiteral("Cannot open %1: in use by another program").arg(link)))
                << f.StatusPane(0)->text().toStdString();
            EXPECT_EQ(f.StatusPane(0)->toolTip(), f.StatusPane(0)->text());
            EXPECT_EQ(ReadOption(Folder()).sComPort, link)
                << "saved whether or not the port opened";
        }

        // Free again: connected, and the reason is gone.
        Com(QString(), true);
        ASSERT_TRUE(f.IsConnected());
        EXPECT_EQ(f.StatusPane(0)->text(), " ");
        f.Protocol().SelectStudio(2);
        EXPECT_EQ(HexBytes(pty.Read(5)), "FF 05 00 00 43");
        pty.Write(FromHex("FF 07 61 00 04 00 01"));
        PumpEvents(50ms);
        // Pulled out: the close notice says disconnected; the log says why.
        pty.CloseMaster();
        EXPECT_TRUE(WaitUntil([&] { return !f.IsConnected(); }));
        EXPECT_TRUE(boxes.isEmpty());
        frame.reset();
    }
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    const QStringList lines = TraceLines(tracePath);
    EXPECT_TRUE(
        InOrder(lines, {"--     | " + QCoreApplication::applicationName() + " ",
                        QStringLiteral("--     | open failed: Cannot open %1: in use").arg(link),
                        QStringLiteral("--     | opened %1 at 9600 baud").arg(link),
                        "out  FF 05 00 00 43  | select group C",
                        "in   FF 07 61 00 04 00 01  | event charge units 2 value=1",
                        QStringLiteral("--     | hang-up: the device has gone: %1").arg(link)}))
        << lines.join(u'\n').toStdString();
}

TEST_F(CConnectionTest, StoredPortOutsideTheListSelectsNothingAndSavesEmpty) {
    WriteOption(Folder(), QStringLiteral("COM11"), 9600);
    CMainFrame& f = MakeFrame();
    EXPECT_EQ(f.Settings().sComPort, "COM11");
    int selected = 0;
    WhenModal<CComSettingDlg>(&f, [&selected](CComSettingDlg* dialog) {
        selected = dialog->PortList()->currentIndex();
        dialog->accept();
    });
    f.OnCom();
    EXPECT_EQ(selected, -1);
    EXPECT_EQ(f.Settings().sComPort, "");
    EXPECT_FALSE(f.IsConnected());
    EXPECT_EQ(f.StatusPane(1)->text(), "Zigbee disconnected");
    EXPECT_TRUE(QFile::exists(Path(QString::fromLatin1(kOptionFile))));
    EXPECT_EQ(ReadOption(Folder()).sComPort, "");
}

TEST_F(CConnectionTest, StoredDevicePathIsOfferedAndSelected) {
    // A port named by its path in Option.xml (as the demo writes it) is offered again.
    WriteOption(Folder(), pty.SlavePath(), 9600);
    CMainFrame& f = MakeFrame();
    Com(QString(), true);
    EXPECT_TRUE(f.IsConnected());
    EXPECT_EQ(f.Link().DevicePath(), pty.SlavePath());
}

TEST_F(CConnectionTest, DevicesAreNamedStoredByTheirStableLinkAndFollowedWhileListed) {
    // A by-id folder of its own: a dongle with its stable link, one without, and a link left
    // by a dongle that was pulled out.
    CPtyPair plain;
    CPtyPair later;
    const QString byId = Path(QStringLiteral("by-id"));
    ASSERT_TRUE(QDir().mkpath(byId));
    const QString stable = byId + QStringLiteral("/usb-Silicon_Labs_CP2102_0001-if00-port0");
    const QString gone = byId + QStringLiteral("/usb-FTDI_FT232R_A1B2-if00-port0");
    ASSERT_TRUE(QFile::link(pty.SlavePath(), stable));
    ASSERT_TRUE(QFile::link(Path(QStringLiteral("ttyUSB9")), gone));
    auto devices =
        std::make_shared<std::vector<CPortCatalog::Device>>(std::vector<CPortCatalog::Device>{
            {pty.SlavePath(), "CP2102 USB to UART Bridge Controller", "Silicon Labs", "0001", true},
            {plain.SlavePath(), "", "", ""}});
    // A first start: no Option.xml, so the stored port is COM2, which names nothing here.
    CMainFrame& f = MakeFrame();
    f.PortCatalog().SetByIdFolder(byId);
    f.PortCatalog().SetDeviceSource([devices] { return *devices; });

    const auto find = [](QComboBox* list, const QString& name) {
        return list->findData(name, CComSettingDlg::kPortNameRole);
    };
    const auto enabled = [](QComboBox* list, int index) {
        return qobject_cast<QStandardItemModel*>(list->model())->item(index)->isEnabled();
    };
    WhenModal<CComSettingDlg>(&f, [&](CComSettingDlg* dialog) {
        const auto closeAnyway = qScopeGuard([dialog] {
            if (dialog->isVisible()) {
                dialog->reject();
            }
        });
        QComboBox* ports = dialog->PortList();
        const int dongle = find(ports, stable);
        const int com1 = ports->findText("COM1");
        ASSERT_GE(dongle, 0);
        EXPECT_LT(dongle, com1) << "the devices present come first";
        // The one USB serial device is chosen already: Ok is all it takes.
        EXPECT_EQ(ports->currentIndex(), dongle);
        EXPECT_EQ(
            ports->itemText(dongle),
            pty.SlavePath() + "  CP2102 USB to UART Bridge Controller, Silicon Labs, serial 0001");
        EXPECT_TRUE(enabled(ports, dongle));
        EXPECT_GE(find(ports, plain.SlavePath()), 0) << "without a stable link: by its path";
        EXPECT_LT(find(ports, plain.SlavePath()), com1);
        EXPECT_EQ(find(ports, pty.SlavePath()), -1) << "the dongle is listed once";
        const int pulled = find(ports, gone);
        ASSERT_GT(pulled, ports->findText("COM10")) << "nothing to open: last";
        EXPECT_EQ(ports->itemText(pulled), "usb-FTDI_FT232R_A1B2-if00-port0 (absent)");
        EXPECT_FALSE(enabled(ports, pulled)) << "nothing there to open";
        QTest::mouseClick(dialog->findChild<QPushButton*>("ok"), Qt::LeftButton);
    });
    f.OnCom();
    EXPECT_TRUE(f.IsConnected());
    EXPECT_EQ(f.Settings().sComPort, stable);
    EXPECT_EQ(ReadOption(Folder()).sComPort, stable);
    EXPECT_EQ(f.Link().DevicePath(), stable);

    // While the list is shown a dongle is plugged in, and the one the operator picks and the
    // stored one are pulled out: the new one appears; the picked one stays picked, shown as
    // absent, and so does the stored one; Cancel changes nothing.
    WhenModal<CComSettingDlg>(&f, [&](CComSettingDlg* dialog) {
        const auto closeAnyway = qScopeGuard([dialog] {
            if (dialog->isVisible()) {
                dialog->reject();
            }
        });
        QComboBox* ports = dialog->PortList();
        ASSERT_EQ(ports->currentData(CComSettingDlg::kPortNameRole).toString(), stable);
        ports->setCurrentIndex(find(ports, plain.SlavePath()));
        *devices = {{later.SlavePath(), "USB Serial", "wch.cn", ""}};
        QFile::remove(stable);
        EXPECT_TRUE(WaitUntil([&] { return find(ports, later.SlavePath()) >= 0; }, 3s));
        EXPECT_EQ(ports->itemText(find(ports, later.SlavePath())),
                  later.SlavePath() + "  USB Serial, wch.cn");
        const int picked = ports->currentIndex();
        EXPECT_EQ(ports->currentData(CComSettingDlg::kPortNameRole).toString(), plain.SlavePath());
        EXPECT_EQ(ports->itemText(picked), plain.SlavePath() + " (absent)");
        EXPECT_FALSE(enabled(ports, picked));
        EXPECT_EQ(ports->itemText(find(ports, stable)), stable + " (absent)");
    });
    f.OnCom();
    EXPECT_EQ(f.Settings().sComPort, stable);
    EXPECT_TRUE(f.IsConnected()) << "the open dongle is still open: Cancel changes nothing";
    EXPECT_EQ(f.Link().DevicePath(), stable);
}

TEST_F(CConnectionTest, ScanClearsSwitchesTheDongleAndCollectsReports) {
    const QString link = PublishPty();
    CMainFrame& f = MakeFrame();
    f.SetScanTickInterval(100ms);
    Com(link, true);
    ASSERT_TRUE(f.IsConnected());

    StudioManager& m = f.Manager();
    StudioData* studioC = m.StudioAt(2);
    StrobeData* old = PlaceUnit(m, 2, 3, std::make_unique<StrobeData>());
    m.currentNode = old;  // a unit current: its studio is scanned
    QSignalSpy listed(&f.StudioList(), &CStudioListFormView::unitListed);
    // The emptied studio is shown anew, before anything else the list hears of.
    QVector<StudioData*> shown;
    QObject::connect(dynamic_cast<CStudioListFormView*>(f.StudioListPane()),
                     &CStudioListFormView::studioShown, &f,
                     [&](StudioData* studio) { shown << studio; });

    QStringList texts;
    bool closedItself = false;
    QStringList counts;
    int progress = -1;
    WhenModal<CWaitingDlg>(&f, [&](CWaitingDlg* dialog) {
        texts << dialog->Text();
        counts << dialog->AnsweredText();
        EXPECT_EQ(dialog->Progress()->maximum(), CWaitingDlg::kTickLimit);
        QObject::connect(dialog, &CWaitingDlg::textChanged, dialog,
                         [&texts](const QString& text) { texts << text; });
        QObject::connect(dialog, &QDialog::finished, dialog, [&, dialog](int r) {
            closedItself = r == QDialog::Accepted && dialog->Ticks() == CWaitingDlg::kTickLimit;
            counts << dialog->AnsweredText();
            progress = dialog->Progress()->value();
        });
        // While the dialog is up, units 0 and 4 of the group report their status.
        EXPECT_EQ(HexBytes(pty.Read(5)), "FF 05 00 00 43");
        pty.Write(FromHex("FF 0E 01 00 11 01 2D 32 00 01 01 00 01 00"));
    });
    f.OnScan();

    EXPECT_TRUE(closedItself);
    EXPECT_EQ(texts,
              QStringList({"Studio C scanning ", "Studio C scanning .", "Studio C scanning ..",
                           "Studio C scanning ...", "Studio C scanning ....",
                           "Studio C scanning .....", "Studio C scanning ......"}));
    EXPECT_EQ(m.activeStudio, studioC);
    EXPECT_EQ(m.currentNode, studioC);
    ASSERT_GE(shown.size(), 1);
    EXPECT_EQ(shown.first(), studioC);
    EXPECT_EQ(studioC->UnitAt(3), nullptr);
    ASSERT_NE(studioC->UnitAt(0), nullptr);
    ASSERT_NE(studioC->UnitAt(4), nullptr);
    EXPECT_EQ(studioC->UnitAt(4)->nFlashValue, 45);
    // The studio list heard of both, and told the grid.
    EXPECT_EQ(listed.count(), 2);
    EXPECT_EQ(counts, QStringList({"0 units answered", "2 units answered"}));
    EXPECT_EQ(progress, CWaitingDlg::kTickLimit);

    // Scanned again and cancelled once unit 1 has answered: the wait ends, unit 1 stays.
    f.SetScanTickInterval(2s);
    int ticks = -1;
    WhenModal<CWaitingDlg>(&f, [&](CWaitingDlg* dialog) {
        EXPECT_EQ(HexBytes(pty.Read(5)), "FF 05 00 00 43");
        pty.Write(FromHex("FF 0E 01 00 02 01 2D 32 00 01 01 00 01 00"));
        EXPECT_TRUE(WaitUntil([&] { return dialog->AnsweredText() == "1 unit answered"; }));
        ticks = dialog->Ticks();
        QTest::mouseClick(dialog->findChild<QPushButton*>("cancel"), Qt::LeftButton);
    });
    f.OnScan();
    EXPECT_LT(ticks, CWaitingDlg::kTickLimit);
    EXPECT_EQ(studioC->UnitAt(0), nullptr) << "cleared by the scan";
    ASSERT_NE(studioC->UnitAt(1), nullptr);
    EXPECT_EQ(studioC->nChItemCnt, 1);
}

TEST_F(CConnectionTest, ScanWithoutCurrentStudioDoesNothing) {
    const QString link = PublishPty();
    CMainFrame& f = MakeFrame();
    Com(link, true);
    int cleared = 0;
    QObject::connect(dynamic_cast<CStudioListFormView*>(f.StudioListPane()),
                     &CStudioListFormView::studioShown, &f, [&] { ++cleared; });
    bool dialogShown = false;
    WhenModal<CWaitingDlg>(&f, [&](CWaitingDlg* dialog) {
        dialogShown = true;
        dialog->reject();
    });
    f.Manager().currentNode = nullptr;
    f.OnScan();
    PumpEvents(50ms);
    EXPECT_FALSE(dialogShown);
    EXPECT_EQ(pty.ReadAvailable(100ms).size(), 0);
    EXPECT_EQ(cleared, 0);
    EXPECT_EQ(f.Manager().activeStudio, nullptr);
}

TEST(WaitingDialogTest, GrowsOneDotPerTickAndClosesAfterTheSixth) {
    CWaitingDlg dialog(QStringLiteral("Studio A"), nullptr, std::chrono::hours(1));
    EXPECT_EQ(dialog.windowTitle(), "Channel scan");
    dialog.show();
    EXPECT_EQ(dialog.findChild<QLabel*>("scanText")->text(), "Studio A scanning ");
    for (int i = 1; i <= 5; ++i) {
        dialog.Tick();
        EXPECT_EQ(dialog.Text(), "Studio A scanning " + QString(i, QLatin1Char('.')));
        EXPECT_TRUE(dialog.isVisible());
    }
    dialog.Tick();
    EXPECT_EQ(dialog.findChild<QLabel*>("scanText")->text(), "Studio A scanning ......");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    dialog.Tick();  // a late tick changes nothing
    EXPECT_EQ(dialog.Ticks(), 6);
}

TEST(WaitingDialogTest, EscapeEndsTheWaitingEarly) {
    CWaitingDlg dialog(QStringLiteral("Studio B"), nullptr, std::chrono::hours(1));
    dialog.show();
    dialog.Tick();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.Ticks(), 1);
}
