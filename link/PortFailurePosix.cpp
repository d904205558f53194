// Why a port could not be opened, found on a POSIX system: the device's group and the user's,
// and who holds a busy device.
#include "link/PortFailure.h"

#ifndef _WIN32

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

QString GroupName(gid_t gid) {
    group entry{};
    group* found = nullptr;
    std::vector<char> buffer(4096);
    if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) {
        return {};
    }
    return QString::fromLocal8Bit(found->gr_name);
}

bool InSessionGroups(gid_t gid) {
    if (::getegid() == gid) {
        return true;
    }
    std::vector<gid_t> groups(static_cast<size_t>(std::max(0, ::getgroups(0, nullptr))));
    const int n = ::getgroups(static_cast<int>(groups.size()), groups.data());
    return std::find(groups.begin(), groups.begin() + std::max(0, n), gid) !=
           groups.begin() + std::max(0, n);
}

// The account's groups as the group database has them now, which a session started before
// the user joined a group does not carry.
bool InAccountGroups(gid_t gid) {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(4096);
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr) {
        return false;
    }
    std::vector<gid_t> groups(64);
    int count = static_cast<int>(groups.size());
    if (::getgrouplist(found->pw_name, found->pw_gid, groups.data(), &count) < 0) {
        groups.resize(static_cast<size_t>(count));
        if (::getgrouplist(found->pw_name, found->pw_gid, groups.data(), &count) < 0) {
            return false;
        }
    }
    return std::find(groups.begin(), groups.begin() + count, gid) != groups.begin() + count;
}

// The fix for a refused device, from the device's own group: joining it helps only when the
// group may read and write.
QString PermissionAdvice(const QByteArray& path) {
    const QString udev = QStringLiteral("install the program's udev rule");
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) {
        return QStringLiteral("permission denied on the way to the device");
    }
    const QString name = GroupName(st.st_gid);
    const bool groupMayUse = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (name.isEmpty() || !groupMayUse || st.st_gid == 0 || InSessionGroups(st.st_gid)) {
        return QStringLiteral("permission denied; ask the administrator for access, or %1")
            .arg(udev);
    }
    if (InAccountGroups(st.st_gid)) {
        return QStringLiteral(
                   "permission denied; you joined the group \"%1\" after logging in: log out "
                   "and in again")
            .arg(name);
    }
    return QStringLiteral(
               "permission denied; join the group \"%1\" (sudo usermod -aG %1 $USER, then log "
               "in again) or %2")
        .arg(name, udev);
}

// Who holds the device, as far as this user may see: "minicom, process 4711".
QString HolderOf(const QString& devicePath) {
    const QString device = QFileInfo(devicePath).canonicalFilePath();
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        pid.toInt(&numeric);
        if (!numeric) {
            continue;
        }
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        for (const QFileInfo& fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot)) {
            if (fd.symLinkTarget() == device) {
                QFile comm(proc.filePath(pid + QStringLiteral("/comm")));
                const QString name = comm.open(QIODevice::ReadOnly)
                                         ? QString::fromLocal8Bit(comm.readAll()).trimmed()
                                         : QStringLiteral("a program");
                return QStringLiteral("%1, process %2").arg(name, pid);
            }
        }
    }
    return {};
}

}  // namespace

QString CannotOpenText(const QString& path, const QString& why) {
    return QStringLiteral("Cannot open %1: %2").arg(path, why);
}

PortFailure BusyFailure(const QString& path, int errorCode) {
    const QString holder = HolderOf(path);
    return {
        PortFailure::Cause::kBusy, errorCode,
        CannotOpenText(path, holder.isEmpty()
                                 ? QStringLiteral("in use by another program")
                                 : QStringLiteral("in use by another program (%1)").arg(holder))};
}

PortFailure OpenFailure(const QString& path, int errorCode) {
    using Cause = PortFailure::Cause;
    switch (errorCode) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
        case EIO:  // a serial port with no hardware behind it
            return {Cause::kNoDevice, errorCode,
                    CannotOpenText(path, QStringLiteral("no such device (is it plugged in?)"))};
        case EACCES:
        case EPERM:
        case EROFS:
            return {Cause::kPermission, errorCode,
                    CannotOpenText(path, PermissionAdvice(QFile::encodeName(path)))};
        case EBUSY:
            return BusyFailure(path, errorCode);
        case EISDIR:
            return {Cause::kNotSerial, errorCode,
                    CannotOpenText(path, QStringLiteral("not a serial device"))};
        default:
            return {Cause::kOther, errorCode,
                    CannotOpenText(path, QString::fromLocal8Bit(std::strerror(errorCode)))};
    }
}

#endif  // _WIN32
