#include <gtest/gtest.h>

#include "sim/CSimOptions.h"

namespace {

std::string Layout(const char* text) {
    std::string error;
    const auto layout = CSimOptions::ParseUnits(text, error);
    return layout ? CSimOptions::FormatUnits(*layout) : "error: " + error;
}

}  // namespace

TEST(SimOptions, UnitListsNameGroupsIndexesAndRanges) {
    struct Row {
        const char* text;
        const char* units;
    };
    const Row rows[] = {
        {"A:0,1,3,6;C:0-9;E:4", "A:0,1,3,6;C:0,1,2,3,4,5,6,7,8,9;E:4"},
        {" b : 2 - 4 , 9 ; ", "B:2,3,4,9"},  // spaces, lower case, trailing ';'
        {"D:5-5", "D:5"},                    // a range of one
        {"A:1,1", "A:1"},                    // the same unit twice is one unit
        {"A:;B:1", "B:1"},                   // a group with no units
        {"", ""},                            // no units at all
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Layout(row.text), row.units) << row.text;
    }
}

TEST(SimOptions, BadUnitListsSayWhatIsWrong) {
    struct Row {
        const char* text;
        const char* complaint;
    };
    const Row rows[] = {
        {"F:1", "\"F\" is not a group"},
        {"A0,1", "needs a group letter and ':'"},
        {"A:10", "\"10\" in group A is not a unit index"},
        {"A:-1", "is not a unit index"},
        {"A:x", "\"x\" in group A"},
        {"A:1,,2", "\"\" in group A"},
        {"C:5-2", "range \"5-2\" in group C runs backwards"},
        {"A:1;A:2", "group A is given twice"},
        {"AB:1", "\"AB\" is not a group"},
    };
    for (const Row& row : rows) {
        const std::string result = Layout(row.text);
        EXPECT_EQ(result.rfind("error: units: ", 0), 0u) << row.text << " -> " << result;
        EXPECT_NE(result.find(row.complaint), std::string::npos) << row.text << " -> " << result;
    }
}

TEST(SimOptions, CommandLineSetsEveryOption) {
    SimConfig config;
    std::string error;
    ASSERT_EQ(CSimOptions::Parse(
                  {"--units", "C:1", "--seed=42", "--trace", "--noise", "500", "--noise-ff",
                   "--loss", "0.25", "--flood=100", "--group", "c", "--link", "/tmp/x"},
                  config, error),
              CSimOptions::Outcome::kRun)
        << error;
    EXPECT_EQ(CSimOptions::FormatUnits(config.units), "C:1");
    EXPECT_EQ(config.seed, 42u);
    EXPECT_TRUE(config.trace);
    EXPECT_EQ(config.noiseBytesPerSec, 500);
    EXPECT_TRUE(config.noiseWithStartBytes);
    EXPECT_EQ(config.lossShare, 0.25);
    EXPECT_EQ(config.floodHz, 100);
    EXPECT_EQ(config.initialGroup, 2);
    EXPECT_EQ(config.linkPath, "/tmp/x");

    SimConfig defaults;
    ASSERT_EQ(CSimOptions::Parse({}, defaults, error), CSimOptions::Outcome::kRun);
    EXPECT_EQ(CSimOptions::FormatUnits(defaults.units), "A:0,1,2,4;B:0,1;C:0,1,2,3,4,5,6,7,8,9");
    EXPECT_EQ(CSimOptions::Parse({"--trace", "--help"}, defaults, error),
              CSimOptions::Outcome::kHelp);
}

TEST(SimOptions, BadCommandLinesAreRefusedWithAReason) {
    struct Row {
        std::vector<std::string> args;
        const char* complaint;
    };
    const Row rows[] = {
        {{"--loss", "1.5"}, "--loss: \"1.5\" is not a number from 0 to 1"},
        {{"--noise", "-3"}, "--noise: \"-3\""},
        {{"--flood", "fast"}, "--flood: \"fast\""},
        {{"--seed", "12x"}, "--seed: \"12x\" is not a whole number"},
        {{"--seed"}, "--seed needs a value"},
        {{"--group", "F"}, "--group: \"F\" is not a group"},
        {{"--units", "Z:1"}, "units: \"Z\" is not a group"},
        {{"--link", ""}, "--link needs a path"},
        {{"--verbose"}, "unknown option \"--verbose\""},
    };
    for (const Row& row : rows) {
        SimConfig config;
        std::string error;
        EXPECT_EQ(CSimOptions::Parse(row.args, config, error), CSimOptions::Outcome::kError)
            << row.args[0];
        EXPECT_NE(error.find(row.complaint), std::string::npos) << row.args[0] << " -> " << error;
    }
}
