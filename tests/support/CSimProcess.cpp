#include "support/CSimProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

#include <signal.h>
#include <sys/prctl.h>

CSimProcess::CSimProcess() {
    m_stderr.setFileTemplate(QDir::tempPath() + QStringLiteral("/strobe-sim-stderr-XXXXXX"));
    m_stderr.open();
}

CSimProcess::~CSimProcess() {
    if (IsRunning()) {
        Terminate();
    }
    if (IsRunning()) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString CSimProcess::Program() {
    const QString fromEnvironment = qEnvironmentVariable("STROBE_SIM");
    if (!fromEnvironment.isEmpty()) {
        return fromEnvironment;
    }
    // Test executables live in <build>/tests, the simulator in <build>/sim.
    return QDir(QCoreApplication::applicationDirPath())
        .absoluteFilePath(QStringLiteral("../sim/strobe-sim"));
}

bool CSimProcess::Start(const QStringList& args, const QProcessEnvironment& environment) {
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setStandardErrorFile(m_stderr.fileName());
    // A test that dies must not leave simulators running behind it.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process.start(Program(), args);
    if (!m_process.waitForStarted(10000)) {
        return false;
    }
    m_devicePath = ReadLine(std::chrono::seconds(10));
    return !m_devicePath.isEmpty();
}

QString CSimProcess::ReadLine(std::chrono::milliseconds timeout) {
    QDeadlineTimer deadline(timeout);
    while (!m_process.canReadLine()) {
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning) {
            return {};
        }
        m_process.waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
    }
    return QString::fromUtf8(m_process.readLine()).trimmed();
}

QString CSimProcess::Command(const QString& line) {
    m_process.write((line + QLatin1Char('\n')).toUtf8());
    m_process.waitForBytesWritten(5000);
    return ReadLine(std::chrono::seconds(10));
}

QMap<QString, QMap<QString, int>> CSimProcess::Dump() {
    QMap<QString, QMap<QString, int>> units;
    m_process.write("dump\n");
    m_process.waitForBytesWritten(5000);
    for (;;) {
        const QString line = ReadLine(std::chrono::seconds(10));
        if (line.isNull() || line == QLatin1String("end")) {
            return units;
        }
        // unit C 4 flashpow=1 flash=45 ...
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.size() < 3 || words[0] != QLatin1String("unit")) {
            continue;
        }
        QMap<QString, int>& fields = units[words[1] + words[2]];
        for (qsizetype i = 3; i < words.size(); ++i) {
            const qsizetype eq = words[i].indexOf(QLatin1Char('='));
            fields[words[i].left(eq)] = words[i].mid(eq + 1).toInt();
        }
    }
}

int CSimProcess::Terminate() {
    if (m_process.state() == QProcess::NotRunning) {
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    ::kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
    return WaitForExit();
}

int CSimProcess::WaitForExit(std::chrono::milliseconds timeout) {
    if (m_process.state() != QProcess::NotRunning &&
        !m_process.waitForFinished(static_cast<int>(timeout.count()))) {
        return -1;
    }
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

QString CSimProcess::StdErr() const {
    QFile file(m_stderr.fileName());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
