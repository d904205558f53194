// The real program's command line: help, version, bad input, the frame log and the user folder.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "support/RunProgram.h"

TEST(CommandLine, EachOptionGetsAClearAnswer) {
    // Test executables live in <build>/tests, the program in <build>/shell.
    const QString program = QDir(QCoreApplication::applicationDirPath())
                                .absoluteFilePath(QStringLiteral("../shell/tarnel-remote"));
    ASSERT_TRUE(QFileInfo(program).isExecutable()) << program.toStdString();
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    // Started, the program paints once and ends; its home, and the folder it starts in, are a
    // folder of the test's own.
    const QStringList briefly = {QStringLiteral("QT_QPA_PLATFORM=offscreen"),
                                 QStringLiteral("TARNEL_STARTUP_TIMING=exit"),
                                 QStringLiteral("HOME=") + home.path(),
                                 QStringLiteral("XDG_CONFIG_HOME=") + home.filePath(".config")};
    const QString trace = home.filePath(QStringLiteral("trace.log"));
    const struct {
        const char* label;
        QStringList args;
        int exitCode;
        const char* out;  // must appear on standard output
        const char* err;  // must appear on standard error
    } rows[] = {
        {"help", {"--help"}, 0, "--trace <FILE>", ""},
        {"short help", {"-h"}, 0, "--user-folder", ""},
        {"version", {"--version"}, 0, "tarnel-remote 1.0\n", ""},
        {"unknown option: the help, on standard error",
         {"--bogus"},
         2,
         "",
         "tarnel-remote: Unknown option 'bogus'.\n\nUsage:"},
        {"an option without its value", {"--trace"}, 2, "", "Missing value after '--trace'"},
        {"a stray argument", {"Option.xml"}, 2, "", "Unexpected argument 'Option.xml'"},
        {"a trace that cannot be written: the program runs without it",
         {"--trace", home.filePath("no-such-folder/trace.log")},
         0,
         "first-paint-ns",
         "cannot write the trace to"},
        {"Qt's own options pass",
         {"-platform", "offscreen", "--trace", trace, "--user-folder"},
         0,
         "first-paint-ns",
         ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const ProgramRun run = RunProgram(QStringList{program} + row.args, briefly,
                                          std::chrono::seconds(30), home.path());
        EXPECT_EQ(run.exitCode, row.exitCode) << run.err.toStdString();
        EXPECT_TRUE(run.out.contains(row.out)) << run.out.toStdString();
        EXPECT_TRUE(run.err.contains(row.err)) << run.err.toStdString();
    }

    // The user folder was made, and the program worked there; a relative trace path would have
    // meant the starting folder, and the trace began with its header.
    const QDir user(home.filePath(QStringLiteral("Documents/Tarnel Remote Control")));
    EXPECT_TRUE(QFileInfo(user.filePath(QStringLiteral("Business Memory"))).isDir());
    QFile log(trace);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readLine().contains("trace started")) << "the trace's header";
}
