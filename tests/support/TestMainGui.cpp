#include <gtest/gtest.h>

#include <QApplication>

#include "SanitizerWarmUp.h"

int main(int argc, char** argv) {
    // Real widgets without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    WarmUpSanitizerSymbolizer();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
