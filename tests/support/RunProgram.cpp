#include "support/RunProgram.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryFile>
#include <QThread>
#include <string>
#include <vector>

namespace {

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (auto& s : strings) {
        out.push_back(s.data());
    }
    out.push_back(nullptr);
    return out;
}

}  // namespace

ProgramRun RunProgram(const QStringList& argv, const QStringList& extraEnvironment,
                      std::chrono::seconds limit, const QString& workingFolder) {
    ProgramRun run;
    QTemporaryFile out;
    QTemporaryFile err;
    if (argv.isEmpty() || !out.open() || !err.open()) {
        return run;
    }
    // Everything the child needs is made before the fork: after it, only plain system calls.
    std::vector<std::string> argStore;
    for (const QString& a : argv) {
        argStore.push_back(a.toStdString());
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& e : extraEnvironment) {
        environment.insert(e.section(u'=', 0, 0), e.section(u'=', 1));
    }
    std::vector<std::string> envStore;
    for (const QString& e : environment.toStringList()) {
        envStore.push_back(e.toStdString());
    }
    const QByteArray folder = QFile::encodeName(workingFolder);
    auto args = Pointers(argStore);
    auto env = Pointers(envStore);
    const int outFd = out.handle();
    const int errFd = err.handle();
    const pid_t pid = ::fork();
    if (pid < 0) {
        return run;
    }
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDONLY);
        ::dup2(null, 0);
        ::dup2(outFd, 1);
        ::dup2(errFd, 2);
        if (!folder.isEmpty() && ::chdir(folder.constData()) != 0) {
            ::_exit(127);
        }
        ::execve(args[0], args.data(), env.data());
        ::_exit(127);
    }
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    pid_t ended = 0;
    while ((ended = ::waitpid(pid, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline) {
        QThread::msleep(10);
    }
    if (ended == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    } else if (ended == pid && WIFEXITED(status)) {
        run.exitCode = WEXITSTATUS(status);
    }
    QFile outFile(out.fileName());
    QFile errFile(err.fileName());
    if (outFile.open(QIODevice::ReadOnly)) {
        run.out = outFile.readAll();
    }
    if (errFile.open(QIODevice::ReadOnly)) {
        run.err = errFile.readAll();
    }
    return run;
}
