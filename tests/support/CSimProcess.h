#pragma once

#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>
#include <chrono>
#include <memory>

// strobe-sim as a child process: started with its options, it gives the device path it
// printed, runs control commands and reads its dump. The simulator's standard error goes to
// a file (StdErr), so that a chatty trace can never fill a pipe and stall it.
class CSimProcess {
public:
    CSimProcess();
    ~CSimProcess();
    CSimProcess(const CSimProcess&) = delete;
    CSimProcess& operator=(const CSimProcess&) = delete;

    // $STROBE_SIM, else strobe-sim in the build tree next to the test executable's folder.
    static QString Program();

    // Starts the simulator and waits for its first line, the device path.
    bool Start(const QStringList& args,
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
    QString DevicePath() const { return m_devicePath; }

    // Sends one control command and returns its answer, "ok" or "error: ...", without the
    // newline; empty when none came in time.
    QString Command(const QString& line);
    // Every unit the simulator holds, keyed "A0".."E9", each with its fields by name
    // (flashpow, flash, model, cell, sound, mode1, mode2, modelpow, charge, temp).
    QMap<QString, QMap<QString, int>> Dump();

    // Ends the control channel: the simulator reads end-of-file on its standard input.
    void CloseInput() { m_process.closeWriteChannel(); }
    // SIGTERM, then waits for the exit; returns the exit code, or -1 if it did not end well.
    int Terminate();
    // Waits for the process to end by itself; returns the exit code, or -1.
    int WaitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    bool IsRunning() const { return m_process.state() != QProcess::NotRunning; }
    qint64 Pid() const { return m_process.processId(); }
    QString StdErr() const;

private:
    // Next line of standard output, without its newline; null when none came in time.
    QString ReadLine(std::chrono::milliseconds timeout);

    QProcess m_process;
    QTemporaryFile m_stderr;
    QString m_devicePath;
};
