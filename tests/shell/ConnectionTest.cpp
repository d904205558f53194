#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "link/CCommThread.h"
#include "model/StudioManager.h"
#include "shell/CComSettingDlg.h"
#include "shell/CWaitingDlg.h"
#include "store/CXmlStore.h"
#include "support/CMessageRecorder.h"
#include "support/CPtyPair.h"
#include "tests/shell/ShellTestSupport.h"

using namespace std::chrono_literals;

namespace {

void WriteOption(const QString& port, int baud) {
    QFile file(QString::fromLatin1(kOptionFile));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Option>\n\t<ComSet>\n"
                              "\t\t<sComPort>%1</sComPort>\n\t\t<nBaud>%2</nBaud>\n\t</ComSet>\n"
                              "</Option>\n")
                   .arg(port)
                   .arg(baud)
                   .toUtf8());
}

ComSettings ReadOption() {
    CXmlStore store;
    ComSettings settings;
    settings.sComPort = QStringLiteral("unread");
    LoadOption(store, settings);
    return settings;
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
    EXPECT_EQ(ports.mid(0, 10), QStringList({"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
                                             "COM8", "COM9", "COM10"}));
    EXPECT_TRUE(ports.contains(link));
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

TEST_F(CConnectionTest, OkConnectsAndSavesCancelDisconnects) {
    ASSERT_TRUE(pty.IsValid());
    WriteOption(QStringLiteral("COM5"), 19200);
    const QString link = PublishPty();
    CMainFrame& f = MakeFrame();
    EXPECT_EQ(f.Settings().sComPort, "COM5");
    EXPECT_EQ(f.Settings().nBaud, 19200);

    Com(link, true);
    EXPECT_TRUE(f.IsConnected());
    EXPECT_TRUE(f.Link().IsOpen());
    EXPECT_EQ(f.StatusPane(1)->text(), "Zigbee connected");
    EXPECT_EQ(ReadOption().sComPort, link);
    EXPECT_EQ(ReadOption().nBaud, 9600);

    // Connected, then the dialog cancelled: closed and said so.
    Com(QString(), false);
    EXPECT_FALSE(f.IsConnected());
    EXPECT_FALSE(f.Link().IsOpen());
    EXPECT_EQ(f.StatusPane(1)->text(), "Zigbee disconnected");
    EXPECT_EQ(ReadOption().sComPort, link);  // a cancelled dialog writes nothing
    PumpEvents(50ms);
    EXPECT_EQ(f.StatusPane(1)->text(), "Zigbee disconnected");
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
    PostAppMessage(&f, WM_ZB_CLOSED, first);
    PumpEvents(50ms);
    EXPECT_TRUE(f.IsConnected());
    EXPECT_EQ(f.StatusPane(1)->text(), "Zigbee connected");

    // The dongle pulled out: the present watcher's notice does count.
    pty.CloseMaster();
    EXPECT_TRUE(WaitUntil([&] { return !f.IsConnected(); }));
    EXPECT_EQ(f.StatusPane(1)->text(), "Zigbee disconnected");
}

TEST_F(CConnectionTest, StoredPortOutsideTheListSelectsNothingAndSavesEmpty) {
    WriteOption(QStringLiteral("COM11"), 9600);
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
    EXPECT_TRUE(QFile::exists(QString::fromLatin1(kOptionFile)));
    EXPECT_EQ(ReadOption().sComPort, "");
}

TEST_F(CConnectionTest, StoredDevicePathIsOfferedAndSelected) {
    // A port named by its path in Option.xml (as the demo writes it) is offered again.
    WriteOption(pty.SlavePath(), 9600);
    CMainFrame& f = MakeFrame();
    Com(QString(), true);
    EXPECT_TRUE(f.IsConnected());
    EXPECT_EQ(f.Link().DevicePath(), pty.SlavePath());
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
    CPaneRecorder list(f.StudioListPane());

    QStringList texts;
    bool closedItself = false;
    WhenModal<CWaitingDlg>(&f, [&](CWaitingDlg* dialog) {
        texts << dialog->Text();
        QObject::connect(dialog, &CWaitingDlg::textChanged, dialog,
                         [&texts](const QString& text) { texts << text; });
        QObject::connect(dialog, &QDialog::finished, dialog, [&closedItself, dialog](int r) {
            closedItself = r == QDialog::Accepted && dialog->Ticks() == CWaitingDlg::kTickLimit;
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
    ASSERT_GE(list.Count(WM_STUDIO_CLEARED), 1);
    EXPECT_EQ(list.entries.first().message, WM_STUDIO_CLEARED);
    EXPECT_EQ(list.entries.first().lParam, ToLParam(studioC));
    EXPECT_EQ(studioC->UnitAt(3), nullptr);
    ASSERT_NE(studioC->UnitAt(0), nullptr);
    ASSERT_NE(studioC->UnitAt(4), nullptr);
    EXPECT_EQ(studioC->UnitAt(4)->nFlashValue, 45);
    EXPECT_EQ(list.Count(WM_UNIT_ADDED), 2);
}

TEST_F(CConnectionTest, ScanWithoutCurrentStudioDoesNothing) {
    const QString link = PublishPty();
    CMainFrame& f = MakeFrame();
    Com(link, true);
    CPaneRecorder list(f.StudioListPane());
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
    EXPECT_EQ(list.Count(WM_STUDIO_CLEARED), 0);
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
