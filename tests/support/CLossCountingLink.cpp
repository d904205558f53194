#include "support/CLossCountingLink.h"

CLossCountingLink::~CLossCountingLink() {
    ClosePort();
}

std::optional<quint64> CLossCountingLink::DriverLostCount(const CSerialDevice&) const {
    return lost.load();
}
