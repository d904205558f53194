#pragma once

#include <cstddef>
#include <string>
#include <vector>

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

private:
    struct Command {
        const char* name;
        std::size_t argc;
        // Null for a command that names no unit; such a command given arguments is unknown.
        const char* usage;
        Result (CSimControl::*run)();
    };
    static const Command kCommands[];

    CSimControl(std::vector<std::string> words, CSimDongle& dongle, SimTime now)
        : m_words(std::move(words)), m_dongle(dongle), m_now(now) {}

    Result Run(const Command& command);
    Result Quit();
    Result Unplug();
    Result Dump();
    Result Group();
    Result Report();
    Result Event();
    Result Temp();
    Result Add();
    Result Remove();
    Result Status();
    Result NoUnit() const;
    Result Usage() const;

    std::vector<std::string> m_words;
    CSimDongle& m_dongle;
    SimTime m_now;
    const Command* m_command = nullptr;
    // The unit the command names, once its arguments have been read.
    int m_group = 0;
    int m_index = 0;
    std::string m_unitName;
};
