#pragma once

#include <QByteArray>
#include <QMap>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>
#include <chrono>
#include <memory>

// strobe-sim as a child process: started with its options, it gives the device path it
// printed, runs control commands and reads its dump. The simulator's standard error goes to
// a file (StdErr), so that a chatty trace can never fill a pipe and stall it.
//
// Started with fork and exec rather than QProcess: QProcess clones the process behind the
// C library's back, which ThreadSanitizer cannot follow, and it then reports false races in
// the parent's threads (the serial link's ring among them).
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
    // Sends one control command without waiting for its answer (ReadLine takes it later), so
    // that the caller's event loop keeps running meanwhile; false when it could not be sent.
    bool Send(const QString& line);
    // Every unit the simulator holds, keyed "A0".."E9", each with its fields by name
    // (flashpow, flash, model, cell, sound, mode1, mode2, modelpow, charge, temp).
    QMap<QString, QMap<QString, int>> Dump();

    // Ends the control channel: the simulator reads end-of-file on its standard input.
    void CloseInput();
    // SIGTERM, then waits for the exit; returns the exit code, or -1 if it did not end well.
    int Terminate();
    // Waits for the process to end by itself; returns the exit code, or -1.
    int WaitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    bool IsRunning();
    qint64 Pid() const { return m_pid; }
    QString StdErr() const;
    // The file standard error goes to, for reading it as it grows.
    QString StdErrPath() const { return m_stderr.fileName(); }

    // Next line of standard output (the answer to a Send), without its newline; null when none
    // came in time.
    QString ReadLine(std::chrono::milliseconds timeout);

private:
    // Reaps the child if it has ended; true once it has.
    bool Reap(bool wait);

    qint64 m_pid = -1;
    int m_input = -1;   // the simulator's standard input
    int m_output = -1;  // its standard output
    QByteArray m_outputBuffer;
    bool m_reaped = false;
    int m_exitCode = -1;  // -1 until it exited normally
    QTemporaryFile m_stderr;
    QString m_devicePath;
};
