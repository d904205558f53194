#include <gtest/gtest.h>

#include <QStringList>
#include <vector>

#include "link/CZbFrameReader.h"
#include "link/CZbProtocol.h"
#include "support/CCapturingPortWriter.h"
#include "support/CPtyPair.h"
#include "support/CRecordingEventHandler.h"

namespace {

class FrameReaderTest : public ::testing::Test {
protected:
    void Feed(const char* hex) { Feed(FromHex(hex)); }
    void Feed(const QByteArray& bytes) {
        reader.Feed(reinterpret_cast<const quint8*>(bytes.constData()),
                    static_cast<int>(bytes.size()));
    }

    CCapturingPortWriter port;
    CRecordingEventHandler handler;
    CZbProtocol protocol{handler, port};
    CZbFrameReader reader{protocol};
};

TEST_F(FrameReaderTest, StartsWaitingForAStartByte) {
    EXPECT_EQ(reader.nState, 0);
    EXPECT_EQ(reader.nFrameType, 0xFF);
    EXPECT_EQ(reader.nFrameLen, 0);
    EXPECT_EQ(reader.nCount, 0);
}

TEST_F(FrameReaderTest, StreamTable) {
    struct Row {
        const char* what;
        std::vector<const char*> chunks;  // one Feed per chunk
        QStringList calls;
    };
    const Row rows[] = {
        // FF 07 17 00 01 00 01: one cell setting
        {"plain frame", {"FF 07 17 00 01 00 01"}, {"Setting 7 0 0x0001"}},
        // 12 | FF 07 17 00 01 00 01: the byte before the start byte is dropped
        {"leading garbage", {"12 FF 07 17 00 01 00 01"}, {"Setting 7 0 0x0001"}},
        // FF 07 17 | 00 01 00 01: split over two deliveries, decoded once
        {"split frame", {"FF 07 17", "00 01 00 01"}, {"Setting 7 0 0x0001"}},
        // one byte per delivery
        {"byte by byte", {"FF", "07", "61", "00", "04", "00", "01"}, {"Event 1 2 1"}},
        // FF 07 17 00 01 | FF 07 18 00 02 00 01: a start byte inside a frame restarts
        {"start byte inside a frame",
         {"FF 07 17 00 01 FF 07 18 00 02 00 01"},
         {"Setting 8 1 0x0001"}},
        // two frames back to back, then trailing bytes in state 0 dropped
        {"back to back",
         {"FF 07 17 00 01 00 01 FF 07 3A 10 00 00 4B 00 01 17"},
         {"Setting 7 0 0x0001", "Reading 10 9 75"}},
        // command 0x25 ignored up to the next start byte; its length byte skips nothing
        {"unknown type",
         {"FF 05 25 00 01 07 17 00 01 00 01 FF 07 17 00 01 00 01"},
         {"Setting 7 0 0x0001"}},
        // a full status, then a length-7 status: the buffer is cleared, so 0 beyond byte 6
        {"short status after a long one",
         {"FF 0E 01 00 01 01 2D 32 01 01 01 01 01 00 FF 07 01 00 02 01 2D"},
         {"Status 0 pow=1 flash=45 model=50 cell=1 snd=1 m1=1 m2=1 lamp=1 charge=1",
          "Status 1 pow=1 flash=45 model=0 cell=0 snd=0 m1=0 m2=0 lamp=0 charge=1"}},
        // FF 04 17 10: a four-byte frame completes; mask high 0x10 is unit 9, value 0
        {"shortest frame", {"FF 04 17 10"}, {"Setting 7 9 0x0000"}},
        // type 0x02 and a select echo complete without a call; the next frame is fine
        {"ignored types",
         {"FF 07 02 00 01 00 01 FF 05 00 00 41 FF 07 17 00 01 00 00"},
         {"Setting 7 0 0x0000"}},
        // a frame to all units alone addresses nobody
        {"all units", {"FF 07 17 80 80 00 01"}, {}},
    };
    // Whole deliveries take the reader's fast runs; single bytes take the plain machine (as
    // the ring is drained). Both must cut the stream the same way.
    for (bool singleBytes : {false, true}) {
        for (const Row& r : rows) {
            handler.calls.clear();
            for (const char* chunk : r.chunks) {
                if (singleBytes) {
                    for (char b : FromHex(chunk)) {
                        reader.Feed(static_cast<quint8>(b));
                    }
                } else {
                    Feed(chunk);
                }
            }
            EXPECT_EQ(handler.Texts(), r.calls) << r.what << (singleBytes ? ", byte by byte" : "");
            // End each row on a fresh start byte so rows cannot leak into one another.
            Feed("FF");
        }
    }
}

TEST_F(FrameReaderTest, SplitFrameDecodesOnlyAfterTheLastPart) {
    Feed("FF 07 17");
    EXPECT_TRUE(handler.calls.isEmpty());
    EXPECT_EQ(reader.nState, 3);
    EXPECT_EQ(reader.nFrameType, 0x10);
    EXPECT_EQ(reader.nCount, 3);
    Feed("00 01 00");
    EXPECT_TRUE(handler.calls.isEmpty());
    Feed("01");
    EXPECT_EQ(handler.Texts(), QStringList{"Setting 7 0 0x0001"});
    EXPECT_EQ(reader.nState, 0);
}

TEST_F(FrameReaderTest, LengthsTheBufferCannotHoldDropTheFrame) {
    // 0x32 = 50, the buffer's size: still a frame.
    QByteArray longest = FromHex("FF 32 17 00 01 00 01");
    longest.append(QByteArray(50 - longest.size(), '\x00'));
    Feed(longest);
    EXPECT_EQ(handler.Texts(), QStringList{"Setting 7 0 0x0001"});

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
            handler.calls.clear();
            Feed(r.head);
            EXPECT_EQ(reader.nFrameType, 0xFF) << r.what;
            // Far more bytes than the buffer holds, none a start byte.
            const QByteArray junk(300, '\x01');
            if (singleBytes) {
                for (char b : junk) {
                    reader.Feed(static_cast<quint8>(b));
                }
            } else {
                Feed(junk);
            }
            EXPECT_LE(reader.nCount, ZB_FRAME_MAX) << r.what;
            EXPECT_TRUE(handler.calls.isEmpty()) << r.what;
            // The next start byte brings the reader back.
            Feed("FF 07 6B 00 01 00 00");
            EXPECT_EQ(handler.Texts(), QStringList{"Event 11 0 0"}) << r.what;
        }
    }
}

}  // namespace
