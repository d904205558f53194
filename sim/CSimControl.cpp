#include "sim/CSimControl.h"

#include <cctype>
#include <charconv>
#include <optional>
#include <sstream>

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
std::optional<int> StudioOf(const std::string& text) {
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

const CSimControl::Command CSimControl::kCommands[] = {
    {"quit", 0, nullptr, &CSimControl::Quit},
    {"unplug", 0, nullptr, &CSimControl::Unplug},
    {"dump", 0, nullptr, &CSimControl::Dump},
    {"group", 0, nullptr, &CSimControl::Group},
    {"report", 4, "report STUDIO UNIT FIELD VALUE", &CSimControl::Report},
    {"event", 4, "event STUDIO UNIT charge 0|1", &CSimControl::Event},
    {"temp", 3, "temp STUDIO UNIT VALUE", &CSimControl::Temp},
    {"add", 2, "add STUDIO UNIT", &CSimControl::Add},
    {"remove", 2, "remove STUDIO UNIT", &CSimControl::Remove},
    {"status", 2, "status STUDIO UNIT", &CSimControl::Status},
};

CSimControl::Result CSimControl::Execute(const std::string& line, CSimDongle& dongle, SimTime now) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    if (words.empty() || words[0][0] == '#') {
        return {};
    }
    for (const Command& command : kCommands) {
        if (words[0] == command.name) {
            return CSimControl(std::move(words), dongle, now).Run(command);
        }
    }
    return Error("unknown command \"" + words[0] + "\"");
}

CSimControl::Result CSimControl::Run(const Command& command) {
    m_command = &command;
    const std::size_t argc = m_words.size() - 1;
    if (command.usage == nullptr) {
        return argc == command.argc ? (this->*command.run)()
                                    : Error("unknown command \"" + m_words[0] + "\"");
    }
    if (argc != command.argc) {
        return Usage();
    }
    const auto group = StudioOf(m_words[1]);
    const auto index = Number(m_words[2], 0, kSimSlotCount - 1);
    if (!group) {
        return Error("\"" + m_words[1] + "\" is not a studio A..E");
    }
    if (!index) {
        return Error("\"" + m_words[2] + "\" is not a unit index 0..9");
    }
    m_group = *group;
    m_index = *index;
    m_unitName = std::string(1, static_cast<char>('A' + m_group)) + " " + std::to_string(m_index);
    return (this->*command.run)();
}

CSimControl::Result CSimControl::NoUnit() const {
    return Error("no unit " + m_unitName);
}

CSimControl::Result CSimControl::Usage() const {
    return Error(std::string("usage: ") + m_command->usage);
}

CSimControl::Result CSimControl::Quit() {
    return Ok(Action::kQuit);
}

CSimControl::Result CSimControl::Unplug() {
    return Ok(Action::kUnplug);
}

CSimControl::Result CSimControl::Dump() {
    return {Action::kContinue, m_dongle.Dump()};
}

CSimControl::Result CSimControl::Group() {
    return {Action::kContinue,
            std::string("group ") + static_cast<char>('A' + m_dongle.CurrentGroup()) + "\n"};
}

CSimControl::Result CSimControl::Report() {
    const auto field = Field(m_words[3]);
    if (!field) {
        return Error("\"" + m_words[3] +
                     "\" is not a field: flash model cell sound mode1 mode2 modelpow flashpow");
    }
    const bool power = *field == SimField::kFlash || *field == SimField::kModel;
    const auto value = Number(m_words[4], 0, power ? 255 : 1);
    if (!value) {
        return Error("\"" + m_words[4] + "\" is not a value for " + m_words[3] +
                     (power ? " (0..255)" : " (0 or 1)"));
    }
    return m_dongle.ReportField(m_group, m_index, *field, *value, m_now) ? Ok() : NoUnit();
}

CSimControl::Result CSimControl::Event() {
    const auto value = Number(m_words[4], 0, 1);
    if (m_words[3] != "charge" || !value) {
        return Usage();
    }
    return m_dongle.ReportCharge(m_group, m_index, *value, m_now) ? Ok() : NoUnit();
}

CSimControl::Result CSimControl::Temp() {
    const auto value = Number(m_words[3], 0, 255);
    if (!value) {
        return Error("\"" + m_words[3] + "\" is not a temperature 0..255");
    }
    return m_dongle.ReportTemperature(m_group, m_index, *value, m_now) ? Ok() : NoUnit();
}

CSimControl::Result CSimControl::Add() {
    return m_dongle.AddUnit(m_group, m_index) ? Ok() : Error("unit " + m_unitName + " exists");
}

CSimControl::Result CSimControl::Remove() {
    return m_dongle.RemoveUnit(m_group, m_index) ? Ok() : NoUnit();
}

CSimControl::Result CSimControl::Status() {
    return m_dongle.SendStatus(m_group, m_index, m_now) ? Ok() : NoUnit();
}
