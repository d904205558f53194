#include "sim/CSimOptions.h"

#include <QCommandLineParser>
#include <QHash>
#include <QStringList>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

std::string Trim(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])) != 0) {
        ++begin;
    }
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])) != 0) {
        --end;
    }
    return text.substr(begin, end - begin);
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        parts.push_back(
            text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) {
            return parts;
        }
        start = at + 1;
    }
}

std::optional<int> ParseUnitIndex(const std::string& text) {
    int value = -1;
    const std::string t = Trim(text);
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (t.empty() || ec != std::errc{} || end != t.data() + t.size() || value < 0 ||
        value >= kSimSlotCount) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> ParseNumber(const std::string& text) {
    // std::from_chars for double is not in every library we build with; strtod is enough.
    if (text.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// A flag never took a value: "--trace=1" is "--trace".
QString ValueIgnoredByFlag(const QString& arg, const QStringList& valued) {
    const qsizetype eq = arg.indexOf(u'=');
    if (!arg.startsWith(QStringLiteral("--")) || eq < 0 || valued.contains(arg.mid(2, eq - 2))) {
        return arg;
    }
    return arg.left(eq);
}

// The first argument that is no option of ours (an unknown option or a stray word), as the
// operator typed it; empty when there is none. The value after an option that takes one is
// no option.
std::string FirstUnknown(const std::vector<std::string>& args, const QStringList& valued) {
    const QStringList known =
        valued +
        QStringList{QStringLiteral("trace"), QStringLiteral("noise-ff"), QStringLiteral("help")};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const QString arg = QString::fromStdString(args[i]);
        const QString name = arg.mid(2).section(u'=', 0, 0);
        if (arg == QStringLiteral("-h") ||
            (arg.startsWith(QStringLiteral("--")) && known.contains(name))) {
            i += valued.contains(name) && !arg.contains(u'=') ? 1 : 0;
            continue;
        }
        return args[i];
    }
    return {};
}

// One option's value into the configuration; false, with the reason, when it is not one.
bool TakeValue(const std::string& option, const std::string& text, SimConfig& config,
               std::string& unitsText, std::string& error) {
    auto number = [&](double low, double high, const char* range, double& out) {
        const auto parsed = ParseNumber(text);
        if (!parsed || *parsed < low || *parsed > high) {
            error = option + ": \"" + text + "\" is not a number from " + range;
            return false;
        }
        out = *parsed;
        return true;
    };
    if (option == "--link") {
        config.linkPath = text;
        if (text.empty()) {
            error = "--link needs a path";
            return false;
        }
    } else if (option == "--units") {
        unitsText = text;
    } else if (option == "--seed") {
        std::uint64_t seed = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seed);
        if (text.empty() || ec != std::errc{} || end != text.data() + text.size()) {
            error = "--seed: \"" + text + "\" is not a whole number";
            return false;
        }
        config.seed = seed;
    } else if (option == "--group") {
        const char g = text.size() == 1
                           ? static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])))
                           : '?';
        if (g < 'A' || g > 'E') {
            error = "--group: \"" + text + "\" is not a group, use A to E";
            return false;
        }
        config.initialGroup = g - 'A';
    } else if (option == "--noise") {
        return number(0, 1e6, "0 to 1000000", config.noiseBytesPerSec);
    } else if (option == "--loss") {
        return number(0, 1, "0 to 1", config.lossShare);
    } else if (option == "--flood") {
        return number(0, 1e6, "0 to 1000000", config.floodHz);
    }
    return true;
}

}  // namespace

std::optional<SimLayout> CSimOptions::ParseUnits(const std::string& text, std::string& error) {
    SimLayout layout{};
    std::array<bool, kSimGroupCount> seen{};
    if (Trim(text).empty()) {
        return layout;
    }
    for (const std::string& rawGroup : Split(text, ';')) {
        const std::string group = Trim(rawGroup);
        if (group.empty()) {
            continue;  // "A:1;" is forgiven
        }
        const std::size_t colon = group.find(':');
        if (colon == std::string::npos) {
            error = "units: \"" + group + "\" needs a group letter and ':', as in A:0,1";
            return std::nullopt;
        }
        const std::string letter = Trim(group.substr(0, colon));
        const char g = letter.size() == 1
                           ? static_cast<char>(std::toupper(static_cast<unsigned char>(letter[0])))
                           : '?';
        if (g < 'A' || g > 'E') {
            error = "units: \"" + letter + "\" is not a group, use A to E";
            return std::nullopt;
        }
        const int groupIndex = g - 'A';
        if (seen[groupIndex]) {
            error = std::string("units: group ") + g + " is given twice";
            return std::nullopt;
        }
        seen[groupIndex] = true;
        const std::string list = Trim(group.substr(colon + 1));
        if (list.empty()) {
            continue;  // a group with no units
        }
        for (const std::string& item : Split(list, ',')) {
            const std::size_t dash = item.find('-');
            const auto first = ParseUnitIndex(item.substr(0, dash));
            const auto last =
                dash == std::string::npos ? first : ParseUnitIndex(item.substr(dash + 1));
            if (!first || !last) {
                error = std::string("units: \"") + Trim(item) + "\" in group " + g +
                        " is not a unit index 0..9 or a range such as 0-9";
                return std::nullopt;
            }
            if (*last < *first) {
                error = std::string("units: range \"") + Trim(item) + "\" in group " + g +
                        " runs backwards";
                return std::nullopt;
            }
            for (int i = *first; i <= *last; ++i) {
                layout[groupIndex][i] = true;
            }
        }
    }
    return layout;
}

std::string CSimOptions::FormatUnits(const SimLayout& layout) {
    std::string out;
    for (int g = 0; g < kSimGroupCount; ++g) {
        std::string list;
        for (int i = 0; i < kSimSlotCount; ++i) {
            if (layout[g][i]) {
                list += (list.empty() ? "" : ",") + std::to_string(i);
            }
        }
        if (!list.empty()) {
            out +=
                (out.empty() ? "" : ";") + std::string(1, static_cast<char>('A' + g)) + ":" + list;
        }
    }
    return out;
}

CSimOptions::Outcome CSimOptions::Parse(const std::vector<std::string>& args, SimConfig& config,
                                        std::string& error) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption trace(QStringLiteral("trace"));
    const QCommandLineOption noiseFf(QStringLiteral("noise-ff"));
    const QStringList valued = {QStringLiteral("link"),  QStringLiteral("units"),
                                QStringLiteral("seed"),  QStringLiteral("group"),
                                QStringLiteral("noise"), QStringLiteral("loss"),
                                QStringLiteral("flood")};
    parser.addOptions({help, trace, noiseFf});
    for (const QString& name : valued) {
        parser.addOption(QCommandLineOption(name, QString(), QStringLiteral("value")));
    }
    QStringList arguments{QStringLiteral("strobe-sim")};
    for (const std::string& arg : args) {
        arguments << ValueIgnoredByFlag(QString::fromStdString(arg), valued);
    }
    const bool parsed = parser.parse(arguments);
    // Also a word the parser took for an argument, or "--" (which it takes for the end of the
    // options): no option of ours either.
    if (const std::string unknown = FirstUnknown(args, valued); !unknown.empty()) {
        error = "unknown option \"" + unknown + "\" (try --help)";
        return Outcome::kError;
    }
    if (parser.isSet(help)) {
        return Outcome::kHelp;
    }
    if (!parsed) {
        error = args.back() + " needs a value";  // only the last option can miss its value
        return Outcome::kError;
    }

    // Taken in the order given, so that the first bad one is the one reported and a repeated
    // option's last value is the one that counts.
    std::string unitsText = DefaultUnits();
    QHash<QString, int> seen;
    for (const QString& name : parser.optionNames()) {
        if (!valued.contains(name)) {
            (name == trace.names().front() ? config.trace : config.noiseWithStartBytes) = true;
            continue;
        }
        const std::string text = parser.values(name).at(seen[name]++).toStdString();
        const std::string option = "--" + name.toStdString();
        if (!TakeValue(option, text, config, unitsText, error)) {
            return Outcome::kError;
        }
    }
    const auto layout = ParseUnits(unitsText, error);
    if (!layout) {
        return Outcome::kError;
    }
    config.units = *layout;
    return Outcome::kRun;
}

std::string CSimOptions::HelpText() {
    return R"(Usage: strobe-sim [options]

Stands in for the ZigBee dongle and the strobe units behind it. Opens a pseudo-terminal,
prints its device path on the first line of standard output and publishes it as a symbolic
link, then answers the program's frames until interrupted (SIGINT, SIGTERM, SIGHUP) or told
"quit".

Options:
  --link PATH     publish the device as a symbolic link at PATH (replaces an older link,
                  never a file); default ${XDG_RUNTIME_DIR:-/tmp}/strobe-sim/sim-<pid>
  --units SPEC    units per radio group, e.g. "A:0,1,3,6;C:0-9;E:4" (unit indexes 0..9,
                  ranges a-b); "" for none. Default: A:0,1,2,4;B:0,1;C:0-9
  --group G       the group (A..E) the dongle listens to before any studio select; default A
  --seed N        seed for every random choice (reply delays, noise, losses); default 1
  --trace         write every frame in both directions to standard error, one line each:
                  seconds since start, "in" (from the program) or "out", the bytes, and
                  what they mean; bytes outside any frame are shown as "junk"
  --noise RATE    send RATE random bytes per second between frames. They never contain
                  0xFF, so they cannot start a frame and every frame still arrives whole
  --noise-ff      let the noise contain 0xFF too: a stray start byte may then begin a
                  frame of noise that the program decodes (for robustness runs only)
  --loss P        drop each frame with probability P (0..1), in each direction
  --flood HZ      send setting reports of the current group's units at HZ frames per
                  second, scheduled by absolute time; every frame is well formed and in
                  range (flash and model power, cell and sound switches)
  -h, --help      show this text

Behaviour:
  studio select    that group's units each send a full status within 0.2 .. 4 s
  settings         the addressed units of the current group change and confirm with
                   setting reports after 20 .. 80 ms; other groups hear nothing
  power pairs      units whose pair holds no 0 take it; one power-pairs report confirms
  test flash       a powered, charged unit fires (test event, charge 0), recharges in
                   0.3 s + flash power x 20 ms (charge 1), warms with every flash and
                   cools by 1 degree a second; temperature readings follow. A unit
                   switched off, or not yet recharged, does not fire

Commands on standard input, one a line (studio: A..E, unit: index 0..9):
  report S U FIELD VALUE  set a field and have the unit report it; FIELD is one of
                          flash, model (power in tenths), cell, sound, mode1, mode2,
                          modelpow, flashpow (0 or 1)
  event S U charge 0|1    set the charge state and send the charge event
  temp S U VALUE          set the temperature (0..255) and send the reading
  add S U                 a unit with default settings appears (silent until it reports)
  remove S U              the unit disappears; its pending reports are dropped
  status S U              the unit sends its full status now
  group                   print the current group
  dump                    print every unit, one line each, then "end":
                          unit S U flashpow= flash= model= cell= sound= mode1= mode2=
                          modelpow= charge= temp=
  unplug                  close the port as if the dongle were pulled out, then exit
  quit                    exit
Every command that succeeds answers "ok"; a bad one answers "error: ..." and is ignored.
)";
}
