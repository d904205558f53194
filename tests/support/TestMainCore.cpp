#include <gtest/gtest.h>

#include <QCoreApplication>

#include "SanitizerWarmUp.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    WarmUpSanitizerSymbolizer();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
