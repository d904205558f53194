#include "osc/COscAddressTable.h"

#include <cmath>

#include "control/CCommandDesk.h"

namespace {

using Action = COscAddressTable::Action;
using Takes = COscAddressTable::Takes;
using Power = CCommandDesk::Power;

constexpr int kMaxPort = 65535;
// Longer text is cut in what a refusal repeats back.
constexpr int kEchoChars = 60;

OscOutcome Done() {
    return {};
}

OscOutcome Refused(const QString& name, const QString& message) {
    OscOutcome out;
    out.kind = OscOutcome::Kind::kRefused;
    out.name = name;
    out.message = message;
    return out;
}

OscOutcome FromDesk(const CCommandDesk::Outcome& outcome) {
    return outcome.Ok() ? Done() : Refused(outcome.Name(), outcome.message);
}

OscOutcome BadArguments(const QString& path, const char* wanted) {
    return Refused(QStringLiteral("BadArguments"),
                   QStringLiteral("%1 takes %2").arg(path.left(kEchoChars), QLatin1String(wanted)));
}

bool IsNumberType(char type) {
    return type == 'f' || type == 'd' || type == 'i' || type == 'h';
}

// One number from f, d, i, h or a string that reads as one.
bool NumberOf(const std::vector<OscArg>& args, double& value) {
    if (args.size() != 1) {
        return false;
    }
    const OscArg& arg = args.front();
    if (IsNumberType(arg.type)) {
        value = arg.number;
        return std::isfinite(value);
    }
    if (arg.type == 's' || arg.type == 'S') {
        bool ok = false;
        value = arg.text.trimmed().toDouble(&ok);
        return ok && std::isfinite(value);
    }
    return false;
}

// A switch's or a mode's value as the desk reads it: words as sent, whole numbers as "0" / "1",
// T and F as on and off.
bool SettingTextOf(const std::vector<OscArg>& args, QString& text) {
    if (args.size() != 1) {
        return false;
    }
    const OscArg& arg = args.front();
    if (arg.type == 's' || arg.type == 'S') {
        text = arg.text;
        return true;
    }
    if (arg.type == 'T' || arg.type == 'F') {
        text = arg.type == 'T' ? QStringLiteral("on") : QStringLiteral("off");
        return true;
    }
    if (IsNumberType(arg.type) && std::isfinite(arg.number) && std::fabs(arg.number) < 1e6 &&
        arg.number == std::floor(arg.number)) {
        text = QString::number(static_cast<qint64>(arg.number));
        return true;
    }
    return false;
}

// A button's message: none, or one number (a press is non-zero; the release a surface sends
// after it is 0 and does nothing). Whether it fires.
bool TriggerOf(const std::vector<OscArg>& args, bool& fires) {
    if (args.empty()) {
        fires = true;
        return true;
    }
    if (args.size() == 1 &&
        (IsNumberType(args.front().type) || args.front().type == 'T' || args.front().type == 'F')) {
        const OscArg& arg = args.front();
        fires = arg.type == 'T' || (arg.type != 'F' && arg.number != 0.0);
        return true;
    }
    return false;
}

struct Values {
    double number = 0.0;
    QString text;
    bool fires = true;  // a button's release (0) does nothing
};

// The arguments as the address takes them; a refusal when they do not fit.
OscOutcome ReadArguments(Takes takes, const QString& path, const std::vector<OscArg>& args,
                         Values& v) {
    switch (takes) {
        case Takes::kNumber:
            if (!NumberOf(args, v.number)) {
                return BadArguments(path, "one number (f, i or s)");
            }
            break;
        case Takes::kSettingValue:
            if (!SettingTextOf(args, v.text)) {
                return BadArguments(path, "one value: i 0/1 or s");
            }
            break;
        case Takes::kText:
            if (args.size() != 1 || (args.front().type != 's' && args.front().type != 'S')) {
                return BadArguments(path, "one name (s)");
            }
            v.text = args.front().text;
            break;
        case Takes::kPort:
            if (!NumberOf(args, v.number) || v.number < 1 || v.number > kMaxPort ||
                v.number != std::floor(v.number)) {
                return BadArguments(path, "one port, 1 .. 65535 (i)");
            }
            break;
        case Takes::kTrigger:
            if (!TriggerOf(args, v.fires)) {
                return BadArguments(path, "nothing, or one number (a button's press)");
            }
            break;
        case Takes::kNothing:
            return Refused(QStringLiteral("NoSuchAddress"),
                           QStringLiteral("%1 is sent by the program, not taken").arg(path));
    }
    return Done();
}

}  // namespace

const std::vector<COscAddressTable::Row>& COscAddressTable::Rows() {
    static const std::vector<Row> rows{
        {"/tarnel/{studio}/{unit}/flash", Takes::kNumber, Action::kSetFlash, "f (or i, s)",
         "Sets the flash power, 1.1 .. 8.1 (the Prop link moves the model lamp with it)", true},
        {"/tarnel/{studio}/{unit}/flash/step", Takes::kNumber, Action::kStepFlash, "f (or i, s)",
         "Moves the flash power by the value, -7.0 .. 7.0 (an endless encoder, a ± key)", false},
        {"/tarnel/{studio}/{unit}/model", Takes::kNumber, Action::kSetModel, "f (or i, s)",
         "Sets the model lamp power, 1.1 .. 8.1", true},
        {"/tarnel/{studio}/{unit}/model/step", Takes::kNumber, Action::kStepModel, "f (or i, s)",
         "Moves the model lamp power by the value", false},
        {"/tarnel/{studio}/{unit}/test", Takes::kTrigger, Action::kTest, "none, or f/i 1",
         "Test flash (a button's release, 0, does nothing)", false},
        {"/tarnel/{studio}/{unit}/{setting}", Takes::kSettingValue, Action::kSetting, "i 0/1 or s",
         "cell, sound, power, lamp: 0/1 or on/off; mode: Free/Prop; lampmode: Flash Prop/"
         "Continous",
         true},
        {"/tarnel/{studio}/select", Takes::kTrigger, Action::kSelect, "none, or f/i 1",
         "Shows the studio at the computer, scanning when the dongle is on another one", false},
        {"/tarnel/memory/apply", Takes::kText, Action::kApplyMemory, "s",
         "Applies the Business Memory of that name to the current studio", false},
        {"/tarnel/check", Takes::kTrigger, Action::kCheck, "none, or f/i 1",
         "Check units (the roll call) of the current studio", false},
        {"/tarnel/subscribe", Takes::kPort, Action::kSubscribe, "i port",
         "Feedback to the sender's address at that port for 10 minutes; renew to keep it", false},
        {"/tarnel/unsubscribe", Takes::kPort, Action::kUnsubscribe, "i port",
         "No more feedback to that port", false},
        {"/tarnel/{studio}/{unit}/status", Takes::kNothing, Action::kFeedbackOnly, "s",
         "Feedback only: No answer, OFF, Overheat, Charging or Ready", true},
        {"/tarnel/connection", Takes::kNothing, Action::kFeedbackOnly, "i",
         "Feedback only: 1 while the dongle's port is open", true},
        {"/tarnel/error", Takes::kNothing, Action::kFeedbackOnly, "s",
         "Sent back to a message's sender when it is refused: \"Busy: Busy at the computer\"",
         false},
    };
    return rows;
}

QString COscAddressTable::MarkdownTable() {
    QStringList lines{QStringLiteral("| Address | Arguments | What it does | Feedback |"),
                      QStringLiteral("| --- | --- | --- | --- |")};
    for (const Row& row : Rows()) {
        lines << QStringLiteral("| `%1` | %2 | %3 | %4 |")
                     .arg(QLatin1String(row.address), QString::fromUtf8(row.arguments),
                          QString::fromUtf8(row.does),
                          row.feedback ? QStringLiteral("yes") : QStringLiteral(""));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString COscAddressTable::UnitAddress(const QString& studio, const QString& unit,
                                      const QString& what) {
    return QStringLiteral("/tarnel/%1/%2/%3").arg(studio, unit, what);
}

COscAddressTable::Match COscAddressTable::Find(const QString& path) {
    QStringList segments = path.split(QLatin1Char('/'));
    // "/tarnel/current/flash": the current unit, of whichever studio it is in.
    if (segments.size() >= 3 && segments[1] == QLatin1String("tarnel") &&
        segments[2] == QLatin1String("current")) {
        segments.insert(3, QStringLiteral("current"));
    }
    for (const Row& row : Rows()) {
        const QStringList pattern = QString::fromLatin1(row.address).split(QLatin1Char('/'));
        if (pattern.size() != segments.size()) {
            continue;
        }
        Match match{&row, {}, {}, {}};
        for (qsizetype i = 0; i < pattern.size() && match.row != nullptr; ++i) {
            const QString& want = pattern[i];
            const QString& got = segments[i];
            if (want == QLatin1String("{studio}")) {
                match.studio = got;
            } else if (want == QLatin1String("{unit}")) {
                match.unit = got;
            } else if (want == QLatin1String("{setting}")) {
                match.setting = got;
                if (CCommandDesk::FieldOfSetting(got) == kFieldNone) {
                    match.row = nullptr;
                }
            } else if (want != got) {
                match.row = nullptr;
            }
        }
        if (match.row != nullptr) {
            return match;
        }
    }
    return {};
}

OscOutcome COscAddressTable::Dispatch(CCommandDesk& desk, const QString& path,
                                      const std::vector<OscArg>& args) {
    const Match match = Find(path);
    if (match.row == nullptr) {
        return Refused(QStringLiteral("NoSuchAddress"),
                       QStringLiteral("No address %1").arg(path.left(kEchoChars)));
    }
    const Row& row = *match.row;
    Values values;
    if (OscOutcome read = ReadArguments(row.takes, path, args, values); read.Refused()) {
        return read;
    }
    if (!values.fires) {
        return Done();
    }
    const double number = values.number;
    const QString& text = values.text;
    const CCommandDesk::Caller caller(desk, QStringLiteral("OSC"));
    switch (row.action) {
        case Action::kSetFlash:
            return FromDesk(desk.SetPower(match.studio, match.unit, Power::kFlash, number));
        case Action::kStepFlash:
            return FromDesk(desk.StepPower(match.studio, match.unit, Power::kFlash, number));
        case Action::kSetModel:
            return FromDesk(desk.SetPower(match.studio, match.unit, Power::kModel, number));
        case Action::kStepModel:
            return FromDesk(desk.StepPower(match.studio, match.unit, Power::kModel, number));
        case Action::kTest:
            return FromDesk(desk.Test(match.studio, match.unit));
        case Action::kSetting:
            return FromDesk(desk.SetSetting(match.studio, match.unit, match.setting, text));
        case Action::kSelect:
            return FromDesk(desk.SelectStudio(match.studio));
        case Action::kApplyMemory:
            return FromDesk(desk.ApplyMemory(text));
        case Action::kCheck:
            return FromDesk(desk.CheckUnits());
        case Action::kSubscribe:
        case Action::kUnsubscribe: {
            OscOutcome out;
            out.kind = row.action == Action::kSubscribe ? OscOutcome::Kind::kSubscribe
                                                        : OscOutcome::Kind::kUnsubscribe;
            out.port = static_cast<int>(number);
            return out;
        }
        case Action::kFeedbackOnly:
            break;
    }
    return Done();
}
