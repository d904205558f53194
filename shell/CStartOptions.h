#pragma once

#include <QString>
#include <QStringList>

class QCommandLineOption;
class QCommandLineParser;

// The program's command line. Qt's own options (-platform, -style, ...) are let through for
// the application object to take.
class CStartOptions {
public:
    enum class Outcome { kRun, kHelp, kVersion, kError };

    Outcome Parse(const QStringList& arguments);
    // Both need an application object, though not a display.
    QString HelpText() const { return m_help; }
    QString Error() const { return m_error; }

    // The per-user folder for Option.xml and "Business Memory":
    // <Documents>/Tarnel Remote Control.
    static QString UserFolder();

    QString tracePath;        // --trace FILE; empty: no frame log
    bool userFolder = false;  // --user-folder
    int oscPort = 0;          // --osc[=PORT]: the OSC server's port at launch; 0: not started
    // --remote[=PORT]: the phone remote started at launch; -1 for not, 0 for its own port.
    int remotePort = -1;

private:
    // The ports of --osc and --remote, when given; kError with the error said when not ports.
    Outcome ReadPorts(const QCommandLineParser& parser, const QCommandLineOption& osc,
                      const QCommandLineOption& remote);

    QString m_help;
    QString m_error;
};
