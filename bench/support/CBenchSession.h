#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class CMainFrame;
class CSimProcess;

// The stage for the whole-program benchmarks: a private folder (the main frame's Option.xml
// and the simulator's published port live there), strobe-sim as a child process and the real
// main frame, connected through its Com dialog as an operator would.
class CBenchSession {
public:
    CBenchSession();
    ~CBenchSession();
    CBenchSession(const CBenchSession&) = delete;
    CBenchSession& operator=(const CBenchSession&) = delete;

    bool IsValid() const { return m_dir.isValid(); }
    // The main frame's base folder.
    QString Folder() const { return m_dir.path(); }
    // Starts the simulator with these options; it publishes its port in the private folder.
    bool StartSim(CSimProcess& sim, const QStringList& args) const;
    // Runs the Com command, chooses the simulator's port in the dialog and confirms it.
    static bool Connect(CMainFrame& frame, const CSimProcess& sim);
    // The same for the port entry that links to device (a pseudo-terminal of the bench's own).
    static bool Connect(CMainFrame& frame, const QString& device);
    // Selects Studio A in the studio list, scans it (six real seconds) and selects its first
    // unit; returns the number of units the scan found.
    static int ScanStudioA(CMainFrame& frame);
    // The same for the studio at index (0 is A).
    static int ScanStudio(CMainFrame& frame, int index);

private:
    QTemporaryDir m_dir;
    QByteArray m_oldRuntime;
};
