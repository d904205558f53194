#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <chrono>

struct ProgramRun {
    int exitCode = -1;  // -1 when it did not end by itself (killed at the limit) or never ran
    QByteArray out;
    QByteArray err;
};

// Runs a program to its end with fork and exec (which ThreadSanitizer follows), with the test's
// environment changed by extraEnvironment ("NAME=value"), and standard input empty; in
// workingFolder when one is given (the test's own folder stays as it is). A program still
// running at the limit is killed.
ProgramRun RunProgram(const QStringList& argv, const QStringList& extraEnvironment = {},
                      std::chrono::seconds limit = std::chrono::seconds(30),
                      const QString& workingFolder = {});
