#pragma once

#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <vector>

// Brings a link back after its device went away: looks at the device's path a few times a
// second and, while the path names a device, tries to open it. A failed opening backs off
// (by default 1 s, 2 s, 5 s, then every 5 s), unless the path names a new device meanwhile
// (it vanished and came back, or the link was published anew), which is tried at once. It
// never spins: between looks it waits on its timer. UI thread only.
class CReconnector {
public:
    struct Schedule {
        std::chrono::milliseconds look{200};
        // Waits after the first, second, ... failed opening; the last one repeats.
        std::vector<std::chrono::milliseconds> retries{
            std::chrono::seconds(1), std::chrono::seconds(2), std::chrono::seconds(5)};
        std::chrono::milliseconds RetryAfter(int failures) const;
    };
    // Opens the device again; true when it did.
    using Attempt = std::function<bool()>;

    explicit CReconnector(Attempt attempt);
    CReconnector(const CReconnector&) = delete;
    CReconnector& operator=(const CReconnector&) = delete;

    // The device at devicePath went away: look for it until an attempt succeeds or Stop.
    void Start(const QString& devicePath);
    void Stop();
    bool IsActive() const { return m_timer.isActive(); }
    void SetSchedule(Schedule schedule) { m_schedule = std::move(schedule); }

    // What identifies the device a path names now: a device made again, or a link published
    // again, differs from the one before. Absent when the path names nothing.
    struct Stamp {
        bool present = false;
        quint64 inode = 0;
        qint64 changedNs = 0;
        quint64 device = 0;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp StampOf(const QString& path);

private:
    void Look();

    Attempt m_attempt;
    Schedule m_schedule;
    QTimer m_timer;
    QString m_path;
    Stamp m_lastTried;  // the device the last failed attempt was made on
    bool m_triedAny = false;
    int m_failures = 0;
    std::chrono::steady_clock::time_point m_nextTry;
};
