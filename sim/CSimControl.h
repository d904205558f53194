#pragma once

#include <string>

#include "sim/CSimDongle.h"

// The simulator's control channel: one command a line, for scripts and tests.
class CSimControl {
public:
    enum class Action { kContinue, kQuit, kUnplug };
    struct Result {
        Action action = Action::kContinue;
        std::string reply;  // whole lines, each ending in '\n'; empty for a blank line
    };

    // Runs one command line against the dongle at the moment now. A bad command changes
    // nothing and answers "error: ...".
    static Result Execute(const std::string& line, CSimDongle& dongle, SimTime now);
};
