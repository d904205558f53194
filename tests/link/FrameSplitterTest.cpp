#include <gtest/gtest.h>

#include <QByteArray>

#include "link/CZbFrameSplitter.h"
#include "link/CZbFrameText.h"

namespace {

// Feeds hex text and returns the pieces as "F:<hex>" for a frame, "J:<hex>" for junk.
std::vector<std::string> Feed(CZbFrameSplitter& parser, const char* hex) {
    const QByteArray raw = QByteArray::fromHex(hex);
    std::vector<ZbChunk> chunks;
    parser.Feed(reinterpret_cast<const quint8*>(raw.constData()),
                static_cast<std::size_t>(raw.size()), chunks);
    std::vector<std::string> out;
    for (const ZbChunk& c : chunks) {
        out.push_back((c.isFrame ? "F:" : "J:") +
                      CZbFrameText::Hex(c.bytes.data(), c.bytes.size()));
    }
    return out;
}

using Pieces = std::vector<std::string>;

}  // namespace

TEST(FrameSplitter, CutsBackToBackFrames) {
    CZbFrameSplitter parser;
    EXPECT_EQ(Feed(parser, "FF 05 00 00 41 FF 07 17 00 01 00 02"),
              (Pieces{"F:FF 05 00 00 41", "F:FF 07 17 00 01 00 02"}));
}

TEST(FrameSplitter, CompletesAFrameSplitOverSeveralReads) {
    CZbFrameSplitter parser;
    EXPECT_TRUE(Feed(parser, "FF").empty());
    EXPECT_TRUE(Feed(parser, "07 17").empty());
    EXPECT_TRUE(parser.InFrame());
    EXPECT_EQ(Feed(parser, "00 01 00 02"), (Pieces{"F:FF 07 17 00 01 00 02"}));
    EXPECT_FALSE(parser.InFrame());
}

TEST(FrameSplitter, SetsBytesOutsideFramesAsideAsJunk) {
    CZbFrameSplitter parser;
    // Leading junk, then a frame; junk comes out first.
    EXPECT_EQ(Feed(parser, "12 34 FF 05 00 00 42"), (Pieces{"J:12 34", "F:FF 05 00 00 42"}));
    // Trailing junk is reported at the end of the read it came in.
    EXPECT_EQ(Feed(parser, "FF 05 00 00 42 00 11"), (Pieces{"F:FF 05 00 00 42", "J:00 11"}));
}

TEST(FrameSplitter, AStartByteInsideAFrameBeginsANewOne) {
    CZbFrameSplitter parser;
    // A value byte of 0xFF cuts the frame short; the cut-off bytes are junk.
    EXPECT_EQ(Feed(parser, "FF 07 13 00 01 FF 07 17 00 01 00 02"),
              (Pieces{"J:FF 07 13 00 01", "F:FF 07 17 00 01 00 02"}));
    // Even the length byte position.
    EXPECT_EQ(Feed(parser, "FF FF 05 00 00 43"), (Pieces{"J:FF", "F:FF 05 00 00 43"}));
}

TEST(FrameSplitter, DropsFramesWithImpossibleLengths) {
    CZbFrameSplitter parser;
    // 3 is too short to hold a command byte; 51 would overrun any frame buffer.
    EXPECT_EQ(Feed(parser, "FF 03 01 02 FF 33 01 FF 05 00 00 41"),
              (Pieces{"J:FF 03 01 02", "J:FF 33 01", "F:FF 05 00 00 41"}));
    // The longest frame still passes.
    std::string longest = "FF 32";
    for (int i = 2; i < 50; ++i) {
        longest += " 01";
    }
    const Pieces pieces = Feed(parser, longest.c_str());
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0].substr(0, 2), "F:");
}
