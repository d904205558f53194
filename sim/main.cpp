// strobe-sim: stands in for the radio dongle and the strobe units behind it.
#include <cstdio>
#include <string>
#include <vector>

#include "sim/CSimLoop.h"
#include "sim/CSimOptions.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    SimConfig config;
    std::string error;
    switch (CSimOptions::Parse(args, config, error)) {
        case CSimOptions::Outcome::kHelp:
            std::fputs(CSimOptions::HelpText().c_str(), stdout);
            return 0;
        case CSimOptions::Outcome::kError:
            std::fprintf(stderr, "strobe-sim: %s\n", error.c_str());
            return 2;
        case CSimOptions::Outcome::kRun:
            break;
    }
    CSimLoop loop(config);
    return loop.Run();
}
