#pragma once

#include <string>

// The simulator's end of the serial line: a pseudo-terminal whose slave device the program
// opens as its port, published as a symbolic link where the program's port list looks.
class CSimPort {
public:
    CSimPort() = default;
    ~CSimPort();
    CSimPort(const CSimPort&) = delete;
    CSimPort& operator=(const CSimPort&) = delete;

    // Opens the master side (non-blocking) and holds the slave open as well, both raw: the
    // held slave keeps the master from reporting a hang-up whenever no program has the port
    // open, and keeps the line settings between the program's openings.
    bool Open(std::string& error);
    // A symbolic link to the slave device at linkPath, or, when that is empty, as
    // sim-<pid> in DefaultFolder(). An existing link there is replaced; any other file is
    // left alone and the call fails.
    bool Publish(const std::string& linkPath, std::string& error);
    // Closes both sides, as if the device were pulled out, and withdraws the link.
    void Close();

    int MasterFd() const { return m_master; }
    const std::string& SlavePath() const { return m_slavePath; }
    const std::string& LinkPath() const { return m_linkPath; }

    // ${XDG_RUNTIME_DIR:-/tmp}/strobe-sim
    static std::string DefaultFolder();

private:
    bool PrepareFolder(const std::string& folder, std::string& error);
    void Withdraw();

    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
    std::string m_linkPath;
};
