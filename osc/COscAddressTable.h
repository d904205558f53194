#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class CCommandDesk;

// One argument of an incoming OSC message, as liblo gave it: its type tag and its value as a
// number or as text. Surfaces differ in what they send for the same control (a fader sends
// f, Companion's keys i or s, a TouchOSC button f 1 then f 0), so each address takes what
// makes sense of all three.
struct OscArg {
    char type = 0;  // 'f', 'd', 'i', 'h', 's', 'S', 'T', 'F', ...
    double number = 0.0;
    QString text;
};

// What an incoming message came to: done, refused (sent back to its sender on /tarnel/error),
// or a feedback subscription for the server to keep.
struct OscOutcome {
    enum class Kind { kDone, kRefused, kSubscribe, kUnsubscribe };
    Kind kind = Kind::kDone;
    QString name;     // the refusal's first word: "NoSuchUnit", "BadArguments", ...
    QString message;  // what a person reads
    int port = 0;     // the feedback port of a subscription
    bool Refused() const { return kind == Kind::kRefused; }
    // "NoSuchUnit: No unit CH-07 in Studio A": what /tarnel/error carries.
    QString ErrorText() const { return name + QStringLiteral(": ") + message; }
};

// The addresses the program takes and sends, in one table: the dispatcher matches incoming
// messages against it and the README's table is printed from it (MarkdownTable). Every
// command goes through the command desk, so it sends what the panel's control would and is
// refused for the desk's reasons.
class COscAddressTable {
public:
    enum class Action {
        kSetFlash,
        kStepFlash,
        kSetModel,
        kStepModel,
        kTest,
        kSetting,
        kSelect,
        kApplyMemory,
        kCheck,
        kSubscribe,
        kUnsubscribe,
        kFeedbackOnly,  // sent by the program, never taken
    };
    // What an address takes: nothing (or a button's press value), one number, a switch or a
    // mode's words, a name, a port.
    enum class Takes { kTrigger, kNumber, kSettingValue, kText, kPort, kNothing };

    struct Row {
        const char* address;  // segments; {studio}, {unit}, {setting} stand for a word
        Takes takes;
        Action action;
        const char* arguments;  // as the README's table shows them
        const char* does;
        bool feedback;  // also sent as feedback with the present value
    };

    static const std::vector<Row>& Rows();
    // The table as Markdown, for the README.
    static QString MarkdownTable();
    // The address a unit's value goes out on: "/tarnel/A/CH-03/flash".
    static QString UnitAddress(const QString& studio, const QString& unit, const QString& what);

    // Runs the message on the desk. Never throws, never changes anything when refused.
    static OscOutcome Dispatch(CCommandDesk& desk, const QString& path,
                               const std::vector<OscArg>& args);

private:
    struct Match {
        const Row* row = nullptr;
        QString studio, unit, setting;
    };
    static Match Find(const QString& path);
};
