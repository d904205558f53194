#include "tarnelctl/CWatchPrinter.h"

#include <cstdio>

void CWatchPrinter::OnUnitChanged(const QString& studio, const QString& unit, const QString& json) {
    std::printf("%s %s %s\n", qPrintable(studio), qPrintable(unit), qPrintable(json));
    std::fflush(stdout);
}

void CWatchPrinter::OnConnectionChanged(bool connected) {
    std::puts(connected ? "connected" : "disconnected");
    std::fflush(stdout);
}
