#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/SimConfig.h"

// The simulator's command line.
class CSimOptions {
public:
    enum class Outcome { kRun, kHelp, kError };

    // args without the program name. On kError, error holds one line for the operator.
    static Outcome Parse(const std::vector<std::string>& args, SimConfig& config,
                         std::string& error);

    // "A:0,1,3,6;C:0-9;E:4": groups separated by ';', each a letter A..E, ':', and unit
    // indexes 0..9 or ranges a-b separated by ','. Empty text means no units at all.
    static std::optional<SimLayout> ParseUnits(const std::string& text, std::string& error);
    static std::string FormatUnits(const SimLayout& layout);

    static const char* DefaultUnits() { return "A:0,1,2,4;B:0,1;C:0-9"; }
    static std::string HelpText();
};
