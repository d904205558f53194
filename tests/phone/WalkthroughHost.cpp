// phone-walkthrough-host: the real main frame on a pseudo-terminal with the phone remote
// listening on loopback, for the browser walkthrough (walkthrough.py) to drive. Prints
//   address <url>      once, when the remote listens
//   sent <hex>         for every frame the program wrote to the "dongle"
//   flash <slot> <n>   after "grid", the flash power the desktop's model holds (tenths)
// and reads commands on standard input, one a line:
//   report <slot> <flash> <model>   the dongle reports a unit of Studio A (tenths)
//   grid <slot>                     ask what the desktop shows for the unit
//   disconnect                      "Disconnect all" in the Phone remote dialog
//   drop                            every page's connection cut, as a Wi-Fi drop does
//   quit
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <cstdio>
#include <iostream>
#include <string>

#include "link/UnitMask.h"
#include "model/StudioManager.h"
#include "navigation/CStudioListFormView.h"
#include "phone/CPhoneClient.h"
#include "phone/CPhoneRemote.h"
#include "phone/CPhoneRemoteDlg.h"
#include "phone/CPhoneServer.h"
#include "shell/CComSettingDlg.h"
#include "shell/CMainFrame.h"
#include "support/CMessageRecorder.h"
#include "support/CPtyPair.h"
#include "support/WhenModal.h"

namespace {

void Say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// Connects through the Com dialog to link and shows Studio A, as an operator would.
bool Connect(CMainFrame& frame, const QString& link) {
    WhenModal<CComSettingDlg>(&frame, [link](CComSettingDlg* dialog) {
        dialog->PortList()->setCurrentIndex(dialog->PortList()->findText(link));
        QTest::mouseClick(dialog->findChild<QPushButton*>("ok"), Qt::LeftButton);
    });
    frame.OnCom();
    if (!frame.IsConnected()) {
        return false;
    }
    QTreeWidget& tree = frame.StudioList().Tree();
    QTreeWidgetItem* item = frame.StudioList().StudioItem(0);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(item).center());
    return true;
}

void Command(const std::string& line, CMainFrame& frame, CPtyPair& pty, CPhoneRemote& remote) {
    int slot = 0;
    int flash = 0;
    int model = 0;
    if (std::sscanf(line.c_str(), "report %d %d %d", &slot, &flash, &model) == 3) {
        pty.Write(StatusReport(UnitMaskOf(slot), flash, model));
    } else if (std::sscanf(line.c_str(), "grid %d", &slot) == 1) {
        const StrobeData* unit = frame.Manager().StudioAt(0)->UnitAt(slot);
        Say(QStringLiteral("flash %1 %2").arg(slot).arg(unit != nullptr ? unit->nFlashValue : -1));
    } else if (line == "disconnect") {
        remote.Open();
        QTest::mouseClick(&remote.Dialog()->DisconnectAllButton(), Qt::LeftButton);
    } else if (line == "drop") {
        for (CPhoneClient* client : remote.Server().findChildren<CPhoneClient*>()) {
            client->Socket().abort();
        }
    } else if (line == "quit") {
        QApplication::quit();
    }
}

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir dir;
    qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
    QApplication app(argc, argv);
    CPtyPair pty;
    QDir(dir.path()).mkpath(QStringLiteral("strobe-sim"));
    const QString link = dir.filePath(QStringLiteral("strobe-sim/sim-walkthrough"));
    if (!pty.IsValid() || !QFile::link(pty.SlavePath(), link)) {
        return 1;
    }
    CMainFrame frame(dir.path());
    frame.SetMessageBoxHandler([](const QString&, const QString&, bool) { return true; });
    frame.SetScanTickInterval(std::chrono::milliseconds(10));
    frame.show();
    CPhoneRemote remote(frame.Desk(), &frame);
    frame.AddServiceAction(remote.Action());
    if (!Connect(frame, link)) {
        return 1;
    }
    pty.Write(StatusReport(UnitMaskOf(0) | UnitMaskOf(1), 45, 30));
    WaitUntil([&] { return frame.Manager().StudioAt(0)->UnitAt(1) != nullptr; });
    pty.ReadAvailable(std::chrono::milliseconds(50));
    if (!remote.Server().Start(0, QHostAddress::LocalHost)) {
        return 1;
    }
    Say(QStringLiteral("address %1").arg(remote.Server().Address()));

    QSocketNotifier dongle(pty.MasterFd(), QSocketNotifier::Read);
    QObject::connect(&dongle, &QSocketNotifier::activated, [&] {
        const QByteArray bytes = pty.ReadAvailable(std::chrono::milliseconds(2));
        if (!bytes.isEmpty()) {
            Say(QStringLiteral("sent %1").arg(HexBytes(bytes)));
        }
    });
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        std::string line;
        do {
            if (!std::getline(std::cin, line)) {
                QApplication::quit();
                return;
            }
            Command(line, frame, pty, remote);
        } while (std::cin.rdbuf()->in_avail() > 0);
    });
    return QApplication::exec();
}
