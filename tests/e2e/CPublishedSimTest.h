#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QComboBox>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include "shell/CComSettingDlg.h"
#include "shell/CMainFrame.h"
#include "support/CSimProcess.h"
#include "support/WhenModal.h"

// strobe-sim as a child process, publishing its port in a runtime folder of the test's own,
// where the Com dialog looks for running simulators; the same folder is the program's.
class CPublishedSimTest : public ::testing::Test {
protected:
    // Called from a test's SetUp with the simulator's command line.
    void StartSim(const QStringList& arguments) {
        ASSERT_TRUE(m_dir.isValid());
        m_oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        m_runtimeSet = true;
        qputenv("XDG_RUNTIME_DIR", m_dir.path().toLocal8Bit());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
        ASSERT_TRUE(sim.Start(arguments, env)) << qPrintable(sim.StdErr());
    }

    void TearDown() override {
        EXPECT_EQ(sim.Terminate(), 0) << qPrintable(sim.StdErr());
        if (m_runtimeSet) {
            qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
        }
    }

    // Com: the simulator's published port is offered; it is chosen and confirmed.
    static void Connect(CMainFrame& frame) {
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
    }

    QString Folder() const { return m_dir.path(); }

    CSimProcess sim;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldRuntime;
    bool m_runtimeSet = false;
};
