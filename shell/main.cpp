// tarnel-remote: the strobe remote control.
#include <QApplication>
#include <QDir>
#include <cstdio>
#include <memory>

#include "bus/CBusService.h"
#include "bus/CRecallAction.h"
#include "link/CFrameTrace.h"
#include "link/CTraceFile.h"
#include "osc/COscAttach.h"
#include "phone/CPhoneRemote.h"
#include "phone/CPhoneServer.h"
#include "shell/CDemoAutomation.h"
#include "shell/CMainFrame.h"
#include "shell/CStartOptions.h"

namespace {

void Say(const QString& line) {
    std::fprintf(stderr, "tarnel-remote: %s\n", qPrintable(line));
}

// Help and errors need an application object, though not a display: a terminal without one
// still gets its answer.
int Answer(int argc, char** argv, const CStartOptions::Outcome outcome) {
    QCoreApplication app(argc, argv);
    CStartOptions options;
    options.Parse(QCoreApplication::arguments());
    switch (outcome) {
        case CStartOptions::Outcome::kHelp:
            std::fputs(qPrintable(options.HelpText()), stdout);
            return 0;
        case CStartOptions::Outcome::kVersion:
            std::printf("tarnel-remote %s\n", qPrintable(QCoreApplication::applicationVersion()));
            return 0;
        default:
            Say(options.Error());
            std::fputs(qPrintable(QStringLiteral("\n") + options.HelpText()), stderr);
            return 2;
    }
}

QStringList Arguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}

// None when path is empty or cannot be written, which is said: the program runs on without it.
std::unique_ptr<CTraceFile> OpenTraceFile(const QString& path) {
    std::unique_ptr<CTraceFile> traceFile;
    if (!path.isEmpty()) {
        QString error;
        traceFile = CTraceFile::Open(path, &error);
        if (!traceFile) {
            Say(QStringLiteral("cannot write the trace to %1: %2; running without it")
                    .arg(path, error));
        }
    }
    return traceFile;
}

// A folder that cannot be made or entered is said, and the current one kept.
void EnterUserFolder() {
    const QString folder = CStartOptions::UserFolder();
    if (!QDir().mkpath(folder) || !QDir::setCurrent(folder)) {
        Say(QStringLiteral("cannot work in %1; working in %2").arg(folder, QDir::currentPath()));
    }
}

// port 0: the remote's own. Its address goes to the standard output, for the operator's phone.
void StartPhoneRemote(CPhoneRemote& phone, int port) {
    const auto listenPort = static_cast<quint16>(port > 0 ? port : CPhoneServer::kDefaultPort);
    if (phone.Server().Start(listenPort)) {
        std::printf("%s\n", qPrintable(phone.Server().Address()));
        std::fflush(stdout);
    } else {
        Say(QStringLiteral("the phone remote did not start: %1").arg(phone.Server().Error()));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName(QStringLiteral("Tarnel Remote Control"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARNEL_VERSION));
    CStartOptions options;
    if (const auto outcome = options.Parse(Arguments(argc, argv));
        outcome != CStartOptions::Outcome::kRun) {
        return Answer(argc, argv, outcome);
    }

    QApplication app(argc, argv);
    // One program per user folder: a later start raises the first and leaves.
    CBusService bus(options.userFolder ? CStartOptions::UserFolder() : QDir::currentPath());
    if (bus.ClaimName() == CBusService::Claim::kTaken) {
        return bus.HandOver(QCoreApplication::arguments(), !options.tracePath.isEmpty());
    }
    // Opened before the folder changes, so a relative path means where the program was started.
    std::unique_ptr<CTraceFile> traceFile = OpenTraceFile(options.tracePath);
    if (options.userFolder) {
        EnterUserFolder();
    }
    // Outlives the frame, whose closing of the port it records.
    std::unique_ptr<CFrameTrace> trace;
    if (traceFile || CFrameTrace::CategoriesEnabled()) {
        trace = std::make_unique<CFrameTrace>(std::move(traceFile));
    }

    CDemoAutomation automation;  // inert unless its environment variables are set
    CMainFrame frame(QDir::currentPath());
    frame.SetLinkObserver(trace.get());
    automation.Attach(frame);
    bus.Serve(frame.Desk(), frame, frame);
    frame.AddServiceAction(new CRecallAction(frame.Desk(), frame, &frame));
    COscAttach osc(frame, QDir::currentPath());  // destroyed before the frame, whose desk it uses
    CPhoneRemote phone(frame.Desk(), &frame);
    phone.SetFrameLog(trace.get());
    frame.AddServiceAction(phone.Action());
    if (options.remotePort >= 0) {
        StartPhoneRemote(phone, options.remotePort);
    }
    frame.show();
    if (options.oscPort != 0 && !osc.Start(options.oscPort)) {
        Say(osc.Error());
        osc.ShowDialog();
    }
    return QApplication::exec();
}
