// The whole program against the real simulator: the main frame with its views, the Com
// dialog, the serial link and a channel scan, with strobe-sim as a child process.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "link/AppMessages.h"
#include "model/StudioManager.h"
#include "shell/CComSettingDlg.h"
#include "shell/CMainFrame.h"
#include "shell/CWaitingDlg.h"
#include "support/CMessageRecorder.h"
#include "support/CSimProcess.h"
#include "support/WhenModal.h"

using namespace std::chrono_literals;

namespace {

std::vector<int> UnitsOf(const StudioData& studio) {
    std::vector<int> units;
    for (int i = 0; i < kSlotCount; ++i) {
        if (studio.UnitAt(i)) {
            units.push_back(i);
        }
    }
    return units;
}

}  // namespace

TEST(ShellEndToEndTest, ConnectThroughTheDialogAndScanStudioA) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    // The simulator publishes its port where the dialog looks for running simulators.
    qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());

    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--units", "A:0,1,2,4;B:0,1", "--seed", "3"}, env))
        << qPrintable(sim.StdErr());
    {
        CMainFrame frame(dir.path());
        frame.SetMessageBoxHandler([](const QString& text, const QString&, bool) {
            ADD_FAILURE() << "unexpected message box: " << text.toStdString();
            return true;
        });
        frame.show();

        // Com: the simulator's published port is offered; choose it and confirm.
        QString chosen;
        WhenModal<CComSettingDlg>(&frame, [&chosen](CComSettingDlg* dialog) {
            QComboBox* ports = dialog->PortList();
            for (int i = 0; i < ports->count(); ++i) {
                if (ports->itemText(i).contains(QStringLiteral("/strobe-sim/sim-"))) {
                    ports->setCurrentIndex(i);
                    chosen = ports->itemText(i);
                }
            }
            QTest::mouseClick(dialog->findChild<QPushButton*>("ok"), Qt::LeftButton);
        });
        frame.OnCom();
        ASSERT_FALSE(chosen.isEmpty()) << "the simulator's port was not offered";
        ASSERT_TRUE(frame.IsConnected()) << qPrintable(chosen);

        // The operator selects Studio A in the studio list, then scans it (six real seconds).
        auto* tree = qobject_cast<QWidget*>(frame.StudioListPane())->findChild<QTreeWidget*>();
        if (tree && tree->topLevelItemCount() > 0) {
            tree->setCurrentItem(tree->topLevelItem(0));
        }
        if (!frame.Manager().currentNode) {
            frame.Manager().currentNode = frame.Manager().StudioAt(0);
        }
        ASSERT_EQ(CurrentStudio(frame.Manager()), frame.Manager().StudioAt(0));
        frame.OnScan();

        const StudioManager& m = frame.Manager();
        EXPECT_EQ(m.activeStudio, m.StudioAt(0));
        EXPECT_EQ(UnitsOf(*m.StudioAt(0)), (std::vector<int>{0, 1, 2, 4}));
        EXPECT_EQ(m.StudioAt(0)->nChItemCnt, 4);
        EXPECT_TRUE(UnitsOf(*m.StudioAt(1)).empty()) << "group B heard nothing";
        // The simulated units and the program's records agree.
        const auto dump = sim.Dump();
        ASSERT_TRUE(dump.contains("A4"));
        EXPECT_EQ(dump["A4"].value("flash"), m.StudioAt(0)->UnitAt(4)->nFlashValue);
        EXPECT_EQ(dump["A4"].value("model"), m.StudioAt(0)->UnitAt(4)->nModelValue);
    }
    EXPECT_EQ(sim.Terminate(), 0) << qPrintable(sim.StdErr());
    qputenv("XDG_RUNTIME_DIR", oldRuntime);
}
