// tarnelctl: drives a running Tarnel Remote Control from scripts and tethering programs.
#include <QCoreApplication>
#include <QDateTime>
#include <QJsonDocument>
#include <QStringList>
#include <cstdio>

#include "bus/BusNames.h"
#include "bus/LightingSidecar.h"
#include "tarnelctl/CCtlBus.h"

namespace {

// The operator confirms a recall at the computer; a recall waits that long for the answer.
constexpr int kRecallTimeoutMs = 10 * 60 * 1000;

const char kHelp[] =
    "Usage: tarnelctl [--folder DIR] COMMAND [ARGUMENT...]\n"
    "Drives the running Tarnel Remote Control over the session bus.\n"
    "\n"
    "Commands:\n"
    "  status [--json]               the studios and units, as text or as JSON\n"
    "  set STUDIO UNIT SETTING VALUE  flash or model power (1.1 .. 8.1), or a setting:\n"
    "                                power, lamp, cell, sound (on/off), mode (Free/Prop),\n"
    "                                lampmode (Flash Prop/Continous)\n"
    "  step STUDIO UNIT flash|model DELTA   changes a power by DELTA (-0.1)\n"
    "  test STUDIO UNIT              fires the unit or units\n"
    "  select STUDIO                 shows the studio at the computer\n"
    "  apply MEMORY                  applies the Business Memory of that name\n"
    "  check                         checks which units of the studio answer\n"
    "  watch                         prints the changes as they happen, until interrupted\n"
    "  stamp IMAGE...                keeps the lighting in each picture's XMP sidecar\n"
    "  recall IMAGE                  asks at the computer to apply a picture's lighting\n"
    "\n"
    "STUDIO: A .. E, \"Studio A\" or current. UNIT: CH-03, 3, current or ticked.\n"
    "Options:\n"
    "  --folder DIR   the program working in DIR (default: its user folder)\n"
    "  -h, --help     this text\n"
    "  --version      the version\n"
    "\n"
    "Exit status: 0 done, 1 refused (the reason on standard error), 2 usage,\n"
    "3 no running program.\n";

int Usage(const QString& why) {
    std::fprintf(stderr, "tarnelctl: %s\n\n%s", qPrintable(why), kHelp);
    return CCtlBus::kUsage;
}

int Refused(const QString& why) {
    std::fprintf(stderr, "tarnelctl: %s\n", qPrintable(why));
    return CCtlBus::kRefused;
}

bool Number(const QString& text, double& value) {
    bool ok = false;
    value = text.toDouble(&ok);
    return ok;
}

int Status(CCtlBus& bus, bool json) {
    QVariant reply;
    const int code =
        bus.Call(json ? QStringLiteral("Status") : QStringLiteral("StatusText"), {}, &reply);
    if (code == CCtlBus::kDone) {
        std::fputs(qPrintable(reply.toString()), stdout);
        std::fputs("\n", stdout);
    }
    return code;
}

// set STUDIO UNIT SETTING VALUE: a power takes a number, any other setting its words.
int Set(CCtlBus& bus, const QStringList& a) {
    const QString setting = a[2].toLower();
    if (setting != QLatin1String("flash") && setting != QLatin1String("model")) {
        return bus.Call(QStringLiteral("SetSetting"), {a[0], a[1], a[2], a[3]});
    }
    double value = 0;
    if (!Number(a[3], value)) {
        return Usage(QStringLiteral("%1 is not a power (5.0)").arg(a[3]));
    }
    return bus.Call(QStringLiteral("SetPower"), {a[0], a[1], setting, value});
}

int Step(CCtlBus& bus, const QStringList& a) {
    double delta = 0;
    if (!Number(a[3], delta)) {
        return Usage(QStringLiteral("%1 is not a step (-0.1)").arg(a[3]));
    }
    return bus.Call(QStringLiteral("StepPower"), {a[0], a[1], a[2], delta});
}

// Each picture gets the lighting of one moment: the status is asked once.
int Stamp(CCtlBus& bus, const QStringList& images) {
    QVariant reply;
    if (const int code = bus.Call(QStringLiteral("Status"), {}, &reply); code != 0) {
        return code;
    }
    QString error;
    const QJsonObject status = QJsonDocument::fromJson(reply.toString().toUtf8()).object();
    const QJsonObject lighting =
        LightingSidecar::LightingOfStatus(status, QDateTime::currentDateTime(), error);
    if (lighting.isEmpty()) {
        return Refused(error);
    }
    int code = CCtlBus::kDone;
    for (const QString& image : images) {
        if (LightingSidecar::Stamp(image, lighting, error).isEmpty()) {
            code = Refused(error);
        }
    }
    return code;
}

int Recall(CCtlBus& bus, const QString& image) {
    QJsonObject lighting;
    QString error;
    if (!LightingSidecar::Recall(image, lighting, error)) {
        return Refused(error);
    }
    const QString json = QString::fromUtf8(QJsonDocument(lighting).toJson(QJsonDocument::Compact));
    return bus.Call(QStringLiteral("RecallLighting"), {json}, nullptr, kRecallTimeoutMs);
}

// The command and its arguments, after the options.
int Run(CCtlBus& bus, const QString& command, const QStringList& a) {
    const auto count = a.size();
    const auto needs = [&](qsizetype n) { return count == n; };
    if (command == QLatin1String("status") &&
        (count == 0 || (count == 1 && a[0] == QLatin1String("--json")))) {
        return Status(bus, count == 1);
    }
    if (command == QLatin1String("set") && needs(4))
        return Set(bus, a);
    if (command == QLatin1String("step") && needs(4))
        return Step(bus, a);
    if (command == QLatin1String("test") && needs(2)) {
        return bus.Call(QStringLiteral("Test"), {a[0], a[1]});
    }
    if (command == QLatin1String("select") && needs(1)) {
        return bus.Call(QStringLiteral("SelectStudio"), {a[0]});
    }
    if (command == QLatin1String("apply") && needs(1)) {
        return bus.Call(QStringLiteral("ApplyMemory"), {a[0]});
    }
    if (command == QLatin1String("check") && needs(0)) {
        return bus.Call(QStringLiteral("CheckUnits"), {});
    }
    if (command == QLatin1String("watch") && needs(0))
        return bus.Watch();
    if (command == QLatin1String("stamp") && count > 0)
        return Stamp(bus, a);
    if (command == QLatin1String("recall") && needs(1))
        return Recall(bus, a[0]);
    return Usage(QStringLiteral("%1: unknown command or wrong arguments").arg(command));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarnelctl"));
    QStringList args = QCoreApplication::arguments().mid(1);
    QString folder = BusNames::DefaultUserFolder();
    // Options come before the command: what follows it is its own ("-0.1" is a step).
    while (!args.isEmpty() && args.first().startsWith(QLatin1Char('-'))) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("-h") || option == QLatin1String("--help")) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (option == QLatin1String("--version")) {
            std::printf("tarnelctl %s\n", TARNEL_VERSION);
            return 0;
        }
        if (option == QLatin1String("--folder") && !args.isEmpty()) {
            folder = args.takeFirst();
        } else if (option.startsWith(QLatin1String("--folder="))) {
            folder = option.mid(9);
        } else {
            return Usage(QStringLiteral("unknown option %1").arg(option));
        }
    }
    if (args.isEmpty()) {
        return Usage(QStringLiteral("no command"));
    }
    CCtlBus bus(BusNames::ServiceFor(folder));
    const QString command = args.takeFirst();
    return Run(bus, command, args);
}
