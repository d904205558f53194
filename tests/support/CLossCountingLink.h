#pragma once

#include <atomic>

#include "link/CCommThread.h"

// The real serial link, whose driver's count of lost bytes the test sets: a pseudo-terminal
// never loses a byte and keeps no such count, a USB bridge under load does.
class CLossCountingLink : public CCommThread {
public:
    using CCommThread::CCommThread;
    // The watcher asks for the count until it ends: it must end before this class does.
    ~CLossCountingLink() override;
    CLossCountingLink(const CLossCountingLink&) = delete;
    CLossCountingLink& operator=(const CLossCountingLink&) = delete;

    std::atomic<quint64> lost{0};  // the test stores, the watcher loads

protected:
    std::optional<quint64> DriverLostCount(const CSerialDevice& port) const override;
};
