#include "sim/CSimPort.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

std::string Errno() {
    return std::strerror(errno);
}

bool MakeRaw(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        return false;
    }
    cfmakeraw(&tio);
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

// Links left by simulators that were killed: their process no longer exists.
void RemoveStaleLinks(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strncmp(name, "sim-", 4) != 0 || name[4] == '\0') {
            continue;
        }
        char* end = nullptr;
        const long pid = std::strtol(name + 4, &end, 10);
        if (*end != '\0' || pid <= 0) {
            continue;
        }
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
            kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            unlink(path.c_str());
        }
    }
    closedir(dir);
}

}  // namespace

CSimPort::~CSimPort() {
    Close();
}

std::string CSimPort::DefaultFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string base = runtime != nullptr && runtime[0] != '\0' ? runtime : "/tmp";
    return base + "/strobe-sim";
}

bool CSimPort::Open(std::string& error) {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0) {
        error = "cannot open a pseudo-terminal: " + Errno();
        return false;
    }
    char name[128] = {};
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0 ||
        ptsname_r(m_master, name, sizeof name) != 0) {
        error = "cannot set up the pseudo-terminal: " + Errno();
        Close();
        return false;
    }
    m_slavePath = name;
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        error = "cannot open " + m_slavePath + ": " + Errno();
        Close();
        return false;
    }
    // A binary protocol: no echo, no line editing, no XON/XOFF (0x11 and 0x13 are frame bytes).
    if (!MakeRaw(m_slave) || !MakeRaw(m_master)) {
        error = "cannot make " + m_slavePath + " raw: " + Errno();
        Close();
        return false;
    }
    return true;
}

bool CSimPort::PrepareFolder(const std::string& folder, std::string& error) {
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot create " + folder + ": " + Errno();
        return false;
    }
    struct stat st {};
    if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = folder + " is not a folder";
        return false;
    }
    // In a shared /tmp another user could have made it: never publish into their folder.
    if (st.st_uid != getuid()) {
        error = folder + " belongs to another user; use --link PATH";
        return false;
    }
    if ((st.st_mode & 0777) != 0700 && chmod(folder.c_str(), 0700) != 0) {
        error = "cannot make " + folder + " private: " + Errno();
        return false;
    }
    RemoveStaleLinks(folder);
    return true;
}

bool CSimPort::Publish(const std::string& linkPath, std::string& error) {
    std::string path = linkPath;
    if (path.empty()) {
        const std::string folder = DefaultFolder();
        if (!PrepareFolder(folder, error)) {
            return false;
        }
        path = folder + "/sim-" + std::to_string(getpid());
    }
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        error = path + " exists and is not a symbolic link; not replacing it";
        return false;
    }
    // Made aside and renamed into place, so the link is never seen half made.
    const std::string temporary = path + ".new-" + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(m_slavePath.c_str(), temporary.c_str()) != 0) {
        error = "cannot create the link " + path + ": " + Errno();
        return false;
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot create the link " + path + ": " + Errno();
        unlink(temporary.c_str());
        return false;
    }
    m_linkPath = path;
    return true;
}

void CSimPort::Withdraw() {
    if (m_linkPath.empty()) {
        return;
    }
    // Only our own link: another simulator may have taken the name over since.
    char target[256] = {};
    const ssize_t n = readlink(m_linkPath.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == m_slavePath) {
        unlink(m_linkPath.c_str());
    }
    m_linkPath.clear();
}

void CSimPort::Close() {
    Withdraw();
    if (m_slave >= 0) {
        ::close(m_slave);
        m_slave = -1;
    }
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}
