#include <gtest/gtest.h>

#include <QStringList>
#include <string>
#include <vector>

#include "link/CCommThread.h"
#include "link/CReceiveRing.h"
#include "link/CZbFrameReader.h"
#include "link/CZbFrameSplitter.h"
#include "link/CZbFrameText.h"
#include "link/CZbProtocol.h"
#include "support/CCapturingPortWriter.h"
#include "support/CMessageRecorder.h"
#include "support/CPtyPair.h"
#include "support/CRecordingEventHandler.h"

namespace {

// The program's reader and the trace's splitter side by side: both cut with the one cutter.
struct Cutters {
    void Feed(const char* hex) { Feed(FromHex(hex)); }
    void Feed(const QByteArray& bytes) {
        reader.Feed(reinterpret_cast<const quint8*>(bytes.constData()),
                    static_cast<int>(bytes.size()));
    }
    // What the splitter makes of these bytes: "F:<hex>" for a frame, "J:<hex>" for junk,
    // joined by ", ".
    std::string Split(const QByteArray& bytes) {
        std::vector<ZbChunk> chunks;
        splitter.Feed(reinterpret_cast<const quint8*>(bytes.constData()),
                      static_cast<std::size_t>(bytes.size()), chunks);
        std::string out;
        for (const ZbChunk& c : chunks) {
            out += (out.empty() ? "" : ", ") + std::string(c.isFrame ? "F:" : "J:") +
                   CZbFrameText::Hex(c.bytes.data(), c.bytes.size());
        }
        return out;
    }

    CCapturingPortWriter port;
    CRecordingEventHandler handler;
    CZbProtocol protocol{handler, port};
    CZbFrameReader reader{protocol};
    CZbFrameSplitter splitter;
};

// The frames among pieces as Split writes them.
std::vector<std::string> FramesOf(const std::string& pieces) {
    std::vector<std::string> frames;
    std::size_t at = 0;
    while ((at = pieces.find("F:", at)) != std::string::npos) {
        const std::size_t end = pieces.find(", ", at);
        frames.push_back(pieces.substr(at, end == std::string::npos ? end : end - at));
        at += 2;
    }
    return frames;
}

TEST(FrameCutter, StartsWaitingForAStartByte) {
    Cutters c;
    EXPECT_EQ(c.reader.nState, 0);
    EXPECT_EQ(c.reader.nFrameType, 0xFF);
    EXPECT_EQ(c.reader.nFrameLen, 0);
    EXPECT_EQ(c.reader.nCount, 0);
}

TEST(FrameCutter, StreamTable) {
    struct Row {
        const char* what;
        std::vector<const char*> chunks;  // one Feed per chunk
        QStringList calls;                // what the program decodes
        std::vector<const char*> pieces;  // what a trace shows, per chunk
    };
    const Row rows[] = {
        // FF 07 17 00 01 00 01: one cell setting
        {"plain frame",
         {"FF 07 17 00 01 00 01"},
         {"Setting 7 0 0x0001"},
         {"F:FF 07 17 00 01 00 01"}},
        // 12 | FF 07 17 00 01 00 01: the byte before the start byte is dropped, as junk
        {"leading garbage",
         {"12 FF 07 17 00 01 00 01"},
         {"Setting 7 0 0x0001"},
         {"J:12, F:FF 07 17 00 01 00 01"}},
        // FF 07 17 | 00 01 00 01: split over two deliveries, decoded once
        {"split frame",
         {"FF 07 17", "00 01 00 01"},
         {"Setting 7 0 0x0001"},
         {"", "F:FF 07 17 00 01 00 01"}},
        // one byte per delivery
        {"byte by byte",
         {"FF", "07", "61", "00", "04", "00", "01"},
         {"Event 1 2 1"},
         {"", "", "", "", "", "", "F:FF 07 61 00 04 00 01"}},
        // FF 07 17 00 01 | FF 07 18 00 02 00 01: a start byte inside a frame restarts; the
        // frame cut short is junk
        {"start byte inside a frame",
         {"FF 07 17 00 01 FF 07 18 00 02 00 01"},
         {"Setting 8 1 0x0001"},
         {"J:FF 07 17 00 01, F:FF 07 18 00 02 00 01"}},
        // FF FF 05 00 00 43: even in the length byte's place
        {"start byte as length", {"FF FF 05 00 00 43"}, {}, {"J:FF, F:FF 05 00 00 43"}},
        // two frames back to back, then trailing bytes in state 0 dropped
        {"back to back",
         {"FF 07 17 00 01 00 01 FF 07 3A 10 00 00 4B 00 01 17"},
         {"Setting 7 0 0x0001", "Reading 10 9 75"},
         {"F:FF 07 17 00 01 00 01, F:FF 07 3A 10 00 00 4B, J:00 01 17"}},
        // a select echo and a setting back to back
        {"select then setting",
         {"FF 05 00 00 41 FF 07 17 00 01 00 02"},
         {"Setting 7 0 0x0002"},
         {"F:FF 05 00 00 41, F:FF 07 17 00 01 00 02"}},
        // FF | 07 17 | 00 01 00 02: a frame over three deliveries comes out with the last
        {"frame over three deliveries",
         {"FF", "07 17", "00 01 00 02"},
         {"Setting 7 0 0x0002"},
         {"", "", "F:FF 07 17 00 01 00 02"}},
        // junk before a frame comes out first; junk after one at the end of its delivery
        {"junk around frames",
         {"12 34 FF 05 00 00 42", "FF 05 00 00 42 00 11"},
         {},
         {"J:12 34, F:FF 05 00 00 42", "F:FF 05 00 00 42, J:00 11"}},
        // command 0x25 ignored up to the next start byte; its length byte skips nothing, and
        // a trace shows it all as junk, as the program sees it
        {"unknown type",
         {"FF 05 25 00 01 07 17 00 01 00 01 FF 07 17 00 01 00 01"},
         {"Setting 7 0 0x0001"},
         {"J:FF 05 25 00 01 07 17 00 01 00 01, F:FF 07 17 00 01 00 01"}},
        // a full status, then a length-7 status: the buffer is cleared, so 0 beyond byte 6
        {"short status after a long one",
         {"FF 0E 01 00 01 01 2D 32 01 01 01 01 01 00 FF 07 01 00 02 01 2D"},
         {"Status 0 pow=1 flash=45 model=50 cell=1 snd=1 m1=1 m2=1 lamp=1 charge=1",
          "Status 1 pow=1 flash=45 model=0 cell=0 snd=0 m1=0 m2=0 lamp=0 charge=1"},
         {"F:FF 0E 01 00 01 01 2D 32 01 01 01 01 01 00, F:FF 07 01 00 02 01 2D"}},
        // FF 04 17 10: a four-byte frame completes; mask high 0x10 is unit 9, value 0
        {"shortest frame", {"FF 04 17 10"}, {"Setting 7 9 0x0000"}, {"F:FF 04 17 10"}},
        // type 0x02 and a select echo complete without a call; the next frame is fine
        {"ignored types",
         {"FF 07 02 00 01 00 01 FF 05 00 00 41 FF 07 17 00 01 00 00"},
         {"Setting 7 0 0x0000"},
         {"F:FF 07 02 00 01 00 01, F:FF 05 00 00 41, F:FF 07 17 00 01 00 00"}},
        // 3 is too short to hold a command byte; 51 would overrun the buffer: junk each
        {"impossible lengths",
         {"FF 03 01 02 FF 33 01 FF 05 00 00 41"},
         {},
         {"J:FF 03 01 02, J:FF 33 01, F:FF 05 00 00 41"}},
        // FF 03 | 01 02: the length is judged with the command byte, so the junk shows then
        {"impossible length split", {"FF 03", "01 02"}, {}, {"", "J:FF 03 01 02"}},
        // a frame to all units alone addresses nobody
        {"all units", {"FF 07 17 80 80 00 01"}, {}, {"F:FF 07 17 80 80 00 01"}},
    };
    // Whole deliveries take the cutter's fast runs; single bytes take the plain machine (as
    // the ring is drained). Both must cut the stream the same way.
    for (bool singleBytes : {false, true}) {
        for (const Row& r : rows) {
            const std::string label = r.what + std::string(singleBytes ? ", byte by byte" : "");
            Cutters c;
            std::vector<std::string> frames;
            std::vector<std::string> expectedFrames;
            for (std::size_t i = 0; i < r.chunks.size(); ++i) {
                const QByteArray bytes = FromHex(r.chunks[i]);
                const std::vector<std::string> want = FramesOf(r.pieces[i]);
                expectedFrames.insert(expectedFrames.end(), want.begin(), want.end());
                if (!singleBytes) {
                    c.Feed(bytes);
                    EXPECT_EQ(c.Split(bytes), r.pieces[i]) << label << ", chunk " << i;
                    continue;
                }
                for (char b : bytes) {
                    c.reader.Feed(static_cast<quint8>(b));
                    const std::vector<std::string> got = FramesOf(c.Split(QByteArray(1, b)));
                    frames.insert(frames.end(), got.begin(), got.end());
                }
            }
            EXPECT_EQ(c.handler.Texts(), r.calls) << label;
            if (singleBytes) {
                EXPECT_EQ(frames, expectedFrames) << label;
            }
        }
    }
}

TEST(FrameCutter, SplitFrameDecodesOnlyAfterTheLastPart) {
    Cutters c;
    c.Feed("FF 07 17");
    EXPECT_TRUE(c.handler.calls.isEmpty());
    EXPECT_EQ(c.reader.nState, 3);
    EXPECT_EQ(c.reader.nFrameType, 0x10);
    EXPECT_EQ(c.reader.nCount, 3);
    EXPECT_TRUE(c.Split(FromHex("FF 07 17")).empty());
    EXPECT_TRUE(c.splitter.InFrame());
    c.Feed("00 01 00");
    EXPECT_TRUE(c.handler.calls.isEmpty());
    c.Feed("01");
    EXPECT_EQ(c.handler.Texts(), QStringList{"Setting 7 0 0x0001"});
    EXPECT_EQ(c.reader.nState, 0);
    EXPECT_EQ(c.Split(FromHex("00 01 00 01")), "F:FF 07 17 00 01 00 01");
    EXPECT_FALSE(c.splitter.InFrame());
}

TEST(FrameCutter, LengthsTheBufferCannotHoldDropTheFrame) {
    Cutters c;
    // 0x32 = 50, the buffer's size: still a frame.
    QByteArray longest = FromHex("FF 32 17 00 01 00 01");
    longest.append(QByteArray(50 - longest.size(), '\x00'));
    c.Feed(longest);
    EXPECT_EQ(c.handler.Texts(), QStringList{"Setting 7 0 0x0001"});
    EXPECT_EQ(c.Split(longest).substr(0, 2), "F:");
    EXPECT_FALSE(c.splitter.InFrame());

    struct Row {
        const char* what;
        const char* head;
    };
    const Row rows[] = {
        {"length 51", "FF 33 17 00 01"},  // one past the buffer
        {"length 254", "FF FE 13 00 01"},
        {"length 3", "FF 03 17 00 01"},  // would have to end at its own command byte
        {"length 0", "FF 00 61 00 01"},
    };
    for (bool singleBytes : {false, true}) {
        for (const Row& r : rows) {
            c.handler.calls.clear();
            c.Feed(r.head);
            EXPECT_EQ(c.reader.nFrameType, 0xFF) << r.what;
            // Far more bytes than the buffer holds, none a start byte.
            const QByteArray junk(300, '\x01');
            if (singleBytes) {
                for (char b : junk) {
                    c.reader.Feed(static_cast<quint8>(b));
                }
            } else {
                c.Feed(junk);
            }
            EXPECT_LE(c.reader.nCount, ZB_FRAME_MAX) << r.what;
            EXPECT_TRUE(c.handler.calls.isEmpty()) << r.what;
            // The next start byte brings the reader back.
            c.Feed("FF 07 6B 00 01 00 00");
            EXPECT_EQ(c.handler.Texts(), QStringList{"Event 11 0 0"}) << r.what;
        }
    }
}

// The reader takes exactly the bytes a drain counted, also from a ring filled to the last
// slot: a byte more would be one the next notice announces, lost to it, and from a full ring
// one more than the reader's copy holds. What the driver held meanwhile follows whole.
TEST(FrameCutter, AFullRingIsDecodedWholeAndNothingBeyondItIsTaken) {
    CPtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    CMessageRecorder target;
    CCommThread link{&target};
    ASSERT_TRUE(link.OpenPort(pty.SlavePath(), 9600, 8, 0, 0));
    Cutters c;
    const QByteArray event = FromHex("FF 07 6B 00 01 00 00");
    constexpr int kEvents = CReceiveRing::kCapacity / 7;
    static_assert(kEvents * 7 == CReceiveRing::kCapacity, "the ring fills with whole frames");
    QByteArray stream;
    for (int i = 0; i < kEvents; ++i) {
        stream += event;
    }
    // One frame more than the ring holds: it waits in the driver until the drain makes room.
    ASSERT_TRUE(pty.Write(stream + event));
    ASSERT_TRUE(WaitUntil([&] { return link.BytesHeld() == CReceiveRing::kCapacity; }));

    c.reader.FeedFromRing(link);
    EXPECT_EQ(c.handler.calls.size(), kEvents);
    EXPECT_EQ(c.reader.nState, 0) << "the ring ended with a whole frame";
    ASSERT_TRUE(WaitUntil([&] { return link.BytesHeld() == 7; }));
    c.reader.FeedFromRing(link);
    EXPECT_EQ(c.handler.calls.size(), kEvents + 1);
    EXPECT_EQ(c.handler.Texts().last(), "Event 11 0 0");
    EXPECT_EQ(link.BytesHeld(), 0);
    link.ClosePort();
}

}  // namespace
