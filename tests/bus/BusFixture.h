#pragma once

// The real main frame connected to a pseudo-terminal dongle (the operator seam fixture),
// serving its desk on a session bus of the test's own, with tarnelctl and the real program
// run as child processes on that bus.
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <memory>

#include "../shell/OperatorSeamFixture.h"
#include "bus/CBusService.h"
#include "bus/CRemoteControlObject.h"

// One dbus-daemon for the whole test program: a process's session bus connection is made
// once, to the address it finds at first use.
class CPrivateBus : public ::testing::Environment {
public:
    void SetUp() override {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address")});
        ASSERT_TRUE(m_daemon.waitForStarted()) << "dbus-daemon is needed (Debian: dbus)";
        while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(5000)) {
        }
        const QByteArray address = m_daemon.readLine().trimmed();
        ASSERT_FALSE(address.isEmpty());
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    }
    void TearDown() override {
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

private:
    QProcess m_daemon;
};

struct ChildRun {
    int exitCode = -1;  // -1: did not end in time
    QString out;
    QString err;
};

class CBusTest : public COperatorSeamTest {
protected:
    // The frame connected with units in these slots (flash 4.5, model 3.0), serving its desk.
    void StartServing(std::initializer_list<int> occupied) {
        Start(occupied);
        service = std::make_unique<CBusService>(Folder());
        ASSERT_EQ(service->ClaimName(), CBusService::Claim::kOwner);
        ASSERT_NE(service->Serve(frame->Desk(), *frame, *frame), nullptr);
    }
    void TearDown() override {
        service.reset();
        COperatorSeamTest::TearDown();
    }

    static QString Built(const char* path) {
        return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QLatin1String(path));
    }
    static QString Tarnelctl() { return Built("../tools/tarnelctl/tarnelctl"); }

    // Runs a program to its end while this process keeps serving the bus.
    ChildRun Run(const QString& program, const QStringList& args,
                 const QStringList& environment = {}, const QString& folder = {}) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& pair : environment) {
            env.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
        }
        child.setProcessEnvironment(env);
        child.setWorkingDirectory(folder.isEmpty() ? Folder() : folder);
        child.start(program, args);
        ChildRun run;
        if (!child.waitForStarted() ||
            !QTest::qWaitFor([&] { return child.state() == QProcess::NotRunning; }, 20000)) {
            child.kill();
            child.waitForFinished();
            return run;
        }
        run.exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
        run.out = QString::fromUtf8(child.readAllStandardOutput());
        run.err = QString::fromUtf8(child.readAllStandardError());
        return run;
    }
    // tarnelctl for this frame's folder.
    ChildRun Ctl(const QStringList& args, const QStringList& environment = {}) {
        return Run(Tarnelctl(), QStringList{QStringLiteral("--folder"), Folder()} + args,
                   environment);
    }

    std::unique_ptr<CBusService> service;
};
