#include "sim/CSimControl.h"

#include <cctype>
#include <charconv>
#include <optional>
#include <sstream>
#include <vector>

namespace {

std::optional<int> Number(const std::string& text, int low, int high) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || value < low ||
        value > high) {
        return std::nullopt;
    }
    return value;
}

// A studio is named by its letter A..E (either case) or its number 0..4.
std::optional<int> Group(const std::string& text) {
    if (text.size() == 1) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        if (c >= 'A' && c <= 'E') {
            return c - 'A';
        }
    }
    return Number(text, 0, kSimGroupCount - 1);
}

std::optional<SimField> Field(const std::string& name) {
    static const std::pair<const char*, SimField> kFields[] = {
        {"flash", SimField::kFlash},       {"model", SimField::kModel},
        {"cell", SimField::kCell},         {"sound", SimField::kSound},
        {"mode1", SimField::kMode1},       {"mode2", SimField::kMode2},
        {"modelpow", SimField::kModelPow}, {"flashpow", SimField::kFlashPow},
    };
    for (const auto& [text, field] : kFields) {
        if (name == text) {
            return field;
        }
    }
    return std::nullopt;
}

CSimControl::Result Error(const std::string& text) {
    return {CSimControl::Action::kContinue, "error: " + text + "\n"};
}

CSimControl::Result Ok(CSimControl::Action action = CSimControl::Action::kContinue) {
    return {action, "ok\n"};
}

}  // namespace

CSimControl::Result CSimControl::Execute(const std::string& line, CSimDongle& dongle, SimTime now) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    if (words.empty() || words[0][0] == '#') {
        return {};
    }
    const std::string& command = words[0];
    const std::size_t argc = words.size() - 1;

    if (command == "quit" && argc == 0) {
        return Ok(Action::kQuit);
    }
    if (command == "unplug" && argc == 0) {
        return Ok(Action::kUnplug);
    }
    if (command == "dump" && argc == 0) {
        return {Action::kContinue, dongle.Dump()};
    }
    if (command == "group" && argc == 0) {
        return {Action::kContinue,
                std::string("group ") + static_cast<char>('A' + dongle.CurrentGroup()) + "\n"};
    }

    struct Arity {
        const char* name;
        std::size_t argc;
        const char* usage;
    };
    static const Arity kUnitCommands[] = {
        {"report", 4, "report STUDIO UNIT FIELD VALUE"},
        {"event", 4, "event STUDIO UNIT charge 0|1"},
        {"temp", 3, "temp STUDIO UNIT VALUE"},
        {"add", 2, "add STUDIO UNIT"},
        {"remove", 2, "remove STUDIO UNIT"},
        {"status", 2, "status STUDIO UNIT"},
    };
    const Arity* arity = nullptr;
    for (const Arity& a : kUnitCommands) {
        if (command == a.name) {
            arity = &a;
        }
    }
    if (arity == nullptr) {
        return Error("unknown command \"" + command + "\"");
    }
    if (argc != arity->argc) {
        return Error(std::string("usage: ") + arity->usage);
    }
    const auto group = Group(words[1]);
    const auto index = Number(words[2], 0, kSimSlotCount - 1);
    if (!group) {
        return Error("\"" + words[1] + "\" is not a studio A..E");
    }
    if (!index) {
        return Error("\"" + words[2] + "\" is not a unit index 0..9");
    }
    const std::string unitName =
        std::string(1, static_cast<char>('A' + *group)) + " " + std::to_string(*index);
    auto noUnit = [&] { return Error("no unit " + unitName); };

    if (command == "add") {
        return dongle.AddUnit(*group, *index) ? Ok() : Error("unit " + unitName + " exists");
    }
    if (command == "remove") {
        return dongle.RemoveUnit(*group, *index) ? Ok() : noUnit();
    }
    if (command == "status") {
        return dongle.SendStatus(*group, *index, now) ? Ok() : noUnit();
    }
    if (command == "temp") {
        const auto value = Number(words[3], 0, 255);
        if (!value) {
            return Error("\"" + words[3] + "\" is not a temperature 0..255");
        }
        return dongle.ReportTemperature(*group, *index, *value, now) ? Ok() : noUnit();
    }
    if (command == "event") {
        const auto value = Number(words[4], 0, 1);
        if (words[3] != "charge" || !value) {
            return Error(std::string("usage: ") + arity->usage);
        }
        return dongle.ReportCharge(*group, *index, *value, now) ? Ok() : noUnit();
    }
    // report
    const auto field = Field(words[3]);
    if (!field) {
        return Error("\"" + words[3] +
                     "\" is not a field: flash model cell sound mode1 mode2 modelpow flashpow");
    }
    const bool power = *field == SimField::kFlash || *field == SimField::kModel;
    const auto value = Number(words[4], 0, power ? 255 : 1);
    if (!value) {
        return Error("\"" + words[4] + "\" is not a value for " + words[3] +
                     (power ? " (0..255)" : " (0 or 1)"));
    }
    return dongle.ReportField(*group, *index, *field, *value, now) ? Ok() : noUnit();
}
