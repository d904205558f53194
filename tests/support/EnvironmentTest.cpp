// Part of every test program, named after its folder (CtestEnvironment.model, ...): what ctest
// gives a test in its environment reaches it whole.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QString>

// The folder's name is a macro; TEST pastes its arguments before they could be expanded.
#define TARNEL_ENVIRONMENT_TEST(folder) TEST(CtestEnvironment, folder)

TARNEL_ENVIRONMENT_TEST(TARNEL_TEST_FOLDER) {
    if (qEnvironmentVariableIsEmpty("TARNEL_TEST_ENVIRONMENT")) {
        GTEST_SKIP() << "not started by ctest";
    }
    EXPECT_EQ(qEnvironmentVariable("QT_QPA_PLATFORM").toStdString(), "offscreen");
    const QFileInfo simulator(qEnvironmentVariable("STROBE_SIM"));
    EXPECT_TRUE(simulator.isFile() && simulator.isExecutable() &&
                simulator.fileName() == QStringLiteral("strobe-sim"))
        << "STROBE_SIM: " << qPrintable(simulator.filePath());
    const QFileInfo sources(qEnvironmentVariable("TARNEL_SOURCE_DIR") +
                            QStringLiteral("/tests/support/EnvironmentTest.cpp"));
    EXPECT_TRUE(sources.isFile()) << "TARNEL_SOURCE_DIR: " << qPrintable(sources.filePath());
}
