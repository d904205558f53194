#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVector>
#include <functional>
#include <memory>

#include "navigation/CStudioListFormView.h"
#include "panels/CControlFormView.h"
#include "shell/CComSettingDlg.h"
#include "shell/CMainFrame.h"
#include "support/CPtyPair.h"
#include "support/ViewMessages.h"
#include "support/WhenModal.h"

// A main frame whose files (Option.xml, Business Memory) and simulator folder are in a
// temporary folder of its own, with message boxes answered by the test.
class CShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", m_dir.path().toLocal8Bit());
    }
    void TearDown() override {
        frame.reset();
        qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
    }

    // Builds the frame (after the test has written any Option.xml) and shows it.
    CMainFrame& MakeFrame() {
        frame = std::make_unique<CMainFrame>(Folder());
        frame->SetMessageBoxHandler([this](const QString& text, const QString& caption, bool) {
            boxes.push_back({text, caption});
            return true;
        });
        frame->show();
        return *frame;
    }
    QString Folder() const { return m_dir.path(); }
    QString Path(const QString& name) const { return m_dir.filePath(name); }

    struct Box {
        QString text;
        QString caption;
    };
    std::unique_ptr<CMainFrame> frame;
    QVector<Box> boxes;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldRuntime;
};

// A shell test whose dongle is a pseudo-terminal, offered in the Com dialog as a running
// simulator would be.
class CConnectedShellTest : public CShellTest {
protected:
    // Publishes the pseudo-terminal the way a running simulator does.
    QString PublishPty() {
        QDir().mkpath(Path(QStringLiteral("strobe-sim")));
        const QString link = Path(QStringLiteral("strobe-sim/sim-test"));
        EXPECT_TRUE(QFile::link(pty.SlavePath(), link));
        return link;
    }
    // Runs the Com command, choosing port (empty: leave the selection) and pressing Ok or
    // Cancel.
    void Com(const QString& port, bool ok) {
        WhenModal<CComSettingDlg>(frame.get(), [port, ok](CComSettingDlg* dialog) {
            if (!port.isEmpty()) {
                const int index = dialog->PortList()->findText(port);
                ASSERT_GE(index, 0) << port.toStdString();
                dialog->PortList()->setCurrentIndex(index);
            }
            QTest::mouseClick(dialog->findChild<QPushButton*>(ok ? "ok" : "cancel"),
                              Qt::LeftButton);
        });
        frame->OnCom();
    }

    CPtyPair pty;
};
