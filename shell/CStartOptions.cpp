#include "shell/CStartOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

// What QGuiApplication and QApplication take from the command line themselves.
const char* const kQtValueOptions[] = {
    "platform",    "platformpluginpath", "platformtheme", "plugin",     "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "style",         "stylesheet", "session",
    "display",     "geometry",           "qmljsdebugger"};
constexpr int kDefaultOscPort = 8481;
constexpr int kMaxOscPort = 65535;  // the highest port of any kind

const char* const kQtFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

// Qt's own options, let through unnamed in the help for the application object to take.
void AddQtOptions(QCommandLineParser& parser) {
    for (const char* name : kQtValueOptions) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : kQtFlagOptions) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

// A port number from lowest to 65535; false for anything else.
bool ReadPort(const QString& text, int lowest, int& port) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < lowest || value > kMaxOscPort) {
        return false;
    }
    port = value;
    return true;
}

// The program's own options, in the order the help lists them.
struct ProgramOptions {
    QCommandLineOption help;
    QCommandLineOption version;
    QCommandLineOption trace;
    QCommandLineOption user;
    QCommandLineOption osc;
    QCommandLineOption remote;
};

ProgramOptions AddProgramOptions(QCommandLineParser& parser) {
    // Qt's options are single-dash words: "-platform", not "-p -l -a ...".
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral(
        "Remote control for studio strobes through a radio dongle on a serial port."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption trace(
        QStringLiteral("trace"),
        QStringLiteral("Append every frame to and from the dongle, and the link's events, to "
                       "FILE, one time-stamped line each (as strobe-sim --trace shows them)."),
        QStringLiteral("FILE"));
    const QCommandLineOption user(
        QStringLiteral("user-folder"),
        QStringLiteral("Work in \"%1\" (created when missing), where Option.xml and Business "
                       "Memory are kept; otherwise in the current folder.")
            .arg(CStartOptions::UserFolder()));
    const QCommandLineOption osc(
        QStringLiteral("osc"),
        QStringLiteral("Start the OSC server for control surfaces on UDP PORT (--osc alone: %1)."
                       " A port that is taken is said, not changed for another.")
            .arg(kDefaultOscPort),
        QStringLiteral("PORT"));
    const QCommandLineOption remote(
        QStringLiteral("remote"),
        QStringLiteral("Start the phone remote at launch, on PORT (8480 when not given, the next "
                       "free one when taken), and print its address with the pairing code."),
        QStringLiteral("PORT"));
    parser.addOption(trace);
    parser.addOption(user);
    parser.addOption(osc);
    parser.addOption(remote);
    AddQtOptions(parser);
    return {help, version, trace, user, osc, remote};
}

// The arguments with the options whose value may be left out given one: the parser knows no
// such option.
QStringList WithBareOptionsFilled(const QStringList& arguments) {
    // "--osc" alone takes the default port.
    QStringList given = arguments;
    given.replaceInStrings(QRegularExpression(QStringLiteral("^--osc$")),
                           QStringLiteral("--osc=%1").arg(kDefaultOscPort));
    // A bare --remote takes 0.
    given.replaceInStrings(QRegularExpression(QStringLiteral("^--remote$")),
                           QStringLiteral("--remote=0"));
    return given;
}

}  // namespace

CStartOptions::Outcome CStartOptions::Parse(const QStringList& arguments) {
    QCommandLineParser parser;
    const ProgramOptions options = AddProgramOptions(parser);
    const bool parsed = parser.parse(WithBareOptionsFilled(arguments));
    if (QCoreApplication::instance() != nullptr) {
        m_help = parser.helpText();
    }
    if (!parsed) {
        m_error = parser.errorText();
        return Outcome::kError;
    }
    if (!parser.positionalArguments().isEmpty()) {
        m_error =
            QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first());
        return Outcome::kError;
    }
    if (parser.isSet(options.help)) {
        return Outcome::kHelp;
    }
    if (parser.isSet(options.version)) {
        return Outcome::kVersion;
    }
    tracePath = parser.value(options.trace);
    userFolder = parser.isSet(options.user);
    return ReadPorts(parser, options.osc, options.remote);
}

CStartOptions::Outcome CStartOptions::ReadPorts(const QCommandLineParser& parser,
                                                const QCommandLineOption& osc,
                                                const QCommandLineOption& remote) {
    if (parser.isSet(osc) && !ReadPort(parser.value(osc), 1, oscPort)) {
        m_error = QStringLiteral("--osc takes a port, 1 .. %1, not '%2'.")
                      .arg(kMaxOscPort)
                      .arg(parser.value(osc).left(20));
        oscPort = 0;
        return Outcome::kError;
    }
    // 0: the remote's own port.
    if (parser.isSet(remote) && !ReadPort(parser.value(remote), 0, remotePort)) {
        m_error = QStringLiteral("--remote takes a port from 1 to 65535, not '%1'.")
                      .arg(parser.value(remote).left(20));
        remotePort = -1;
        return Outcome::kError;
    }
    return Outcome::kRun;
}

QString CStartOptions::UserFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
           QStringLiteral("/Tarnel Remote Control");
}
