#include "support/CSimProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace {

void CloseFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

}  // namespace

CSimProcess::CSimProcess() {
    m_stderr.setFileTemplate(QDir::tempPath() + QStringLiteral("/strobe-sim-stderr-XXXXXX"));
    m_stderr.open();
}

CSimProcess::~CSimProcess() {
    if (IsRunning()) {
        Terminate();
    }
    if (IsRunning()) {
        ::kill(static_cast<pid_t>(m_pid), SIGKILL);
        Reap(true);
    }
    CloseFd(m_input);
    CloseFd(m_output);
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
    // A simulator that ended must not take the test down with SIGPIPE on the next command.
    ::signal(SIGPIPE, SIG_IGN);

    // Everything the child needs is made before the fork: after it, only plain system calls.
    std::vector<std::string> argStore{Program().toStdString()};
    for (const QString& a : args) {
        argStore.push_back(a.toStdString());
    }
    std::vector<std::string> envStore;
    for (const QString& e : environment.toStringList()) {
        envStore.push_back(e.toStdString());
    }
    std::vector<char*> argv;
    std::vector<char*> envp;
    for (auto& a : argStore) {
        argv.push_back(a.data());
    }
    for (auto& e : envStore) {
        envp.push_back(e.data());
    }
    argv.push_back(nullptr);
    envp.push_back(nullptr);

    int input[2] = {-1, -1};
    int output[2] = {-1, -1};
    const int errorFd =
        ::open(QFile::encodeName(m_stderr.fileName()).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (errorFd < 0 || ::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0) {
        for (int fd : {errorFd, input[0], input[1], output[0], output[1]}) {
            CloseFd(fd);
        }
        return false;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // A test that dies must not leave simulators running behind it.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        ::dup2(input[0], STDIN_FILENO);
        ::dup2(output[1], STDOUT_FILENO);
        ::dup2(errorFd, STDERR_FILENO);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(errorFd);
    ::close(input[0]);
    ::close(output[1]);
    m_input = input[1];
    m_output = output[0];
    if (pid < 0) {
        CloseFd(m_input);
        CloseFd(m_output);
        return false;
    }
    m_pid = pid;
    m_reaped = false;
    m_exitCode = -1;
    m_devicePath = ReadLine(std::chrono::seconds(10));
    return !m_devicePath.isEmpty();
}

QString CSimProcess::ReadLine(std::chrono::milliseconds timeout) {
    QDeadlineTimer deadline(timeout);
    for (;;) {
        const qsizetype newline = m_outputBuffer.indexOf('\n');
        if (newline >= 0) {
            const QByteArray line = m_outputBuffer.left(newline);
            m_outputBuffer.remove(0, newline + 1);
            return QString::fromUtf8(line).trimmed();
        }
        if (m_output < 0 || deadline.hasExpired()) {
            return {};
        }
        pollfd p{m_output, POLLIN, 0};
        const int ready =
            ::poll(&p, 1, static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        if (ready <= 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t n = ::read(m_output, buffer, sizeof buffer);
        if (n > 0) {
            m_outputBuffer.append(buffer, n);
        } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
            CloseFd(m_output);  // the simulator has ended
        }
    }
}

QString CSimProcess::Command(const QString& line) {
    return Send(line) ? ReadLine(std::chrono::seconds(10)) : QString();
}

bool CSimProcess::Send(const QString& line) {
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    qsizetype done = 0;
    while (m_input >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_input, bytes.constData() + done, bytes.size() - done);
        if (n > 0) {
            done += n;
        } else if (errno != EINTR) {
            return false;
        }
    }
    return done == bytes.size();
}

QMap<QString, QMap<QString, int>> CSimProcess::Dump() {
    QMap<QString, QMap<QString, int>> units;
    QString line = Command(QStringLiteral("dump"));
    for (; !line.isNull() && line != QLatin1String("end");
         line = ReadLine(std::chrono::seconds(10))) {
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
    return units;
}

void CSimProcess::CloseInput() {
    CloseFd(m_input);
}

bool CSimProcess::Reap(bool wait) {
    if (m_pid <= 0 || m_reaped) {
        return true;
    }
    int status = 0;
    const pid_t r = ::waitpid(static_cast<pid_t>(m_pid), &status, wait ? 0 : WNOHANG);
    if (r != static_cast<pid_t>(m_pid)) {
        return false;
    }
    m_reaped = true;
    m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

bool CSimProcess::IsRunning() {
    return m_pid > 0 && !Reap(false);
}

int CSimProcess::Terminate() {
    if (IsRunning()) {
        ::kill(static_cast<pid_t>(m_pid), SIGTERM);
    }
    return WaitForExit();
}

int CSimProcess::WaitForExit(std::chrono::milliseconds timeout) {
    QDeadlineTimer deadline(timeout);
    while (!Reap(false)) {
        if (deadline.hasExpired()) {
            return -1;
        }
        QThread::msleep(5);
    }
    return m_exitCode;
}

QString CSimProcess::StdErr() const {
    QFile file(m_stderr.fileName());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
