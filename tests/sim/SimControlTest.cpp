#include <gtest/gtest.h>

#include <sstream>

#include "link/CZbFrameText.h"
#include "sim/CSimControl.h"
#include "sim/CSimOptions.h"

using std::chrono::seconds;

namespace {

class SimControl : public ::testing::Test {
protected:
    SimControl() : dongle(Config()) {}
    static SimConfig Config() {
        SimConfig config;
        std::string error;
        config.units = *CSimOptions::ParseUnits("A:0,1;C:4", error);
        return config;
    }
    std::string Run(const std::string& line) {
        return CSimControl::Execute(line, dongle, now).reply;
    }
    std::vector<std::string> Sent() {
        std::vector<std::string> out;
        for (const SimEmission& e : dongle.TakeEmissions()) {
            out.push_back(CZbFrameText::Hex(e.bytes.data(), e.bytes.size()));
        }
        return out;
    }

    CSimDongle dongle;
    SimTime now = seconds(1);
};

using Strings = std::vector<std::string>;

}  // namespace

TEST_F(SimControl, ReportMakesAUnitChangeAndSendItAtOnce) {
    EXPECT_EQ(Run("report A 1 flash 70"), "ok\n");
    EXPECT_EQ(dongle.Unit(0, 1)->flash, 70);
    const auto model = static_cast<quint8>(dongle.Unit(0, 1)->model);
    EXPECT_EQ(Sent(), (Strings{"FF 07 13 00 02 46 " + CZbFrameText::Hex(&model, 1)}));
    EXPECT_EQ(Run("report a 0 cell 1"), "ok\n");
    EXPECT_EQ(Sent(), (Strings{"FF 07 17 00 01 00 02"}));
    EXPECT_EQ(Run("report 0 0 flashpow 0"), "ok\n");
    EXPECT_EQ(Sent(), (Strings{"FF 07 1D 00 01 00 00"}));
    EXPECT_EQ(dongle.Unit(0, 0)->flashPow, 0);
}

TEST_F(SimControl, EventsReadingsAndStatusOnRequest) {
    EXPECT_EQ(Run("event A 0 charge 0"), "ok\n");
    EXPECT_EQ(Run("temp A 0 75"), "ok\n");
    EXPECT_EQ(Run("status A 0"), "ok\n");
    const Strings sent = Sent();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0], "FF 07 61 00 01 00 00");
    EXPECT_EQ(sent[1], "FF 07 3A 00 01 00 4B");
    EXPECT_EQ(sent[2].substr(0, 14), "FF 0E 01 00 01");
    EXPECT_EQ(dongle.Unit(0, 0)->charge, 0);
    EXPECT_EQ(dongle.Unit(0, 0)->temperature, 75);
}

TEST_F(SimControl, AddedUnitsJoinAndRemovedUnitsFallSilent) {
    EXPECT_EQ(Run("add B 7"), "ok\n");
    EXPECT_NE(dongle.Unit(1, 7), nullptr);
    EXPECT_EQ(Run("add B 7"), "error: unit B 7 exists\n");
    // A unit removed while its status report is pending never sends it.
    const quint8 select[] = {0xFF, 0x05, 0x00, 0x00, 0x41};
    dongle.Receive(select, sizeof select, now);
    EXPECT_EQ(Run("remove A 1"), "ok\n");
    dongle.Advance(now + seconds(6));
    const Strings sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].substr(0, 14), "FF 0E 01 00 01");
    EXPECT_EQ(Run("status A 1"), "error: no unit A 1\n");
}

TEST_F(SimControl, BadCommandsAnswerAnErrorAndChangeNothing) {
    const std::string before = dongle.Dump();
    const char* bad[] = {
        "frobnicate",            // unknown
        "report A 0 flash",      // value missing
        "report A 0 colour 1",   // no such field
        "report A 0 cell 2",     // switches are 0 or 1
        "report A 0 flash 256",  // not a byte
        "report F 0 flash 50",   // no such studio
        "report A 10 flash 50",  // no such unit index
        "report B 0 flash 50",   // no unit there
        "event A 0 charge 2",    // charge is 0 or 1
        "event A 0 heat 1",      // only charge events
        "temp A 0 -1",           // not a byte
        "dump everything",       // dump takes nothing
    };
    for (const char* line : bad) {
        const std::string reply = Run(line);
        EXPECT_EQ(reply.rfind("error: ", 0), 0u) << line << " -> " << reply;
        EXPECT_EQ(reply.back(), '\n');
    }
    EXPECT_EQ(dongle.Dump(), before);
    EXPECT_TRUE(Sent().empty());
    // Blank lines and comments are no commands at all.
    EXPECT_EQ(Run(""), "");
    EXPECT_EQ(Run("   # a comment"), "");
}

TEST_F(SimControl, DumpListsEveryUnitOneLineEachThenEnd) {
    Run("report C 4 model 33");
    std::istringstream dump(Run("dump"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(dump, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines.front(), "group A");
    EXPECT_EQ(lines.back(), "end");
    EXPECT_EQ(lines[1].rfind("unit A 0 flashpow=1 flash=", 0), 0u);
    EXPECT_EQ(lines[2].rfind("unit A 1 ", 0), 0u);
    EXPECT_NE(lines[3].find("unit C 4 ", 0), std::string::npos);
    EXPECT_NE(lines[3].find(" model=33 "), std::string::npos);
    EXPECT_NE(lines[3].find(" charge=1 temp=25"), std::string::npos);
}
