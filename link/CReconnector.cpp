#include "link/CReconnector.h"

#include <sys/stat.h>

#include <QFile>
#include <algorithm>

CReconnector::CReconnector(Attempt attempt) : m_attempt(std::move(attempt)) {
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { Look(); });
}

std::chrono::milliseconds CReconnector::Schedule::RetryAfter(int failures) const {
    if (retries.empty()) {
        return look;
    }
    const auto index = static_cast<size_t>(std::max(failures - 1, 0));
    return retries[std::min(index, retries.size() - 1)];
}

void CReconnector::Start(const QString& devicePath) {
    m_path = devicePath;
    m_triedAny = false;
    m_failures = 0;
    m_timer.start(m_schedule.look);
}

void CReconnector::Stop() {
    m_timer.stop();
}

CReconnector::Stamp CReconnector::StampOf(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat target {};
    struct stat entry {};
    Stamp stamp;
    // A link whose device has gone names nothing, as a missing path does.
    if (name.isEmpty() || ::stat(name.constData(), &target) != 0 ||
        ::lstat(name.constData(), &entry) != 0) {
        return stamp;
    }
    stamp.present = true;
    stamp.inode = static_cast<quint64>(entry.st_ino);
    stamp.changedNs = static_cast<qint64>(entry.st_ctim.tv_sec) * 1'000'000'000 +
                      static_cast<qint64>(entry.st_ctim.tv_nsec);
    stamp.device = static_cast<quint64>(target.st_rdev);
    return stamp;
}

void CReconnector::Look() {
    const Stamp now = StampOf(m_path);
    if (!now.present) {
        // Whatever comes at the path next is a device made again: it is tried at once.
        m_lastTried = now;
        return;
    }
    if (m_triedAny && now == m_lastTried && std::chrono::steady_clock::now() < m_nextTry) {
        return;
    }
    m_triedAny = true;
    m_lastTried = now;
    if (m_attempt()) {
        Stop();
        return;
    }
    // Counted from the failure, however long the attempt took.
    m_nextTry = std::chrono::steady_clock::now() + m_schedule.RetryAfter(++m_failures);
}
