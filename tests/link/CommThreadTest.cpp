// The serial link on real pseudo-terminals: names, line settings, raw bytes, writes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <QFile>
#include <thread>

#include "link/AppMessages.h"
#include "link/CCommThread.h"
#include "support/CMessageRecorder.h"
#include "support/CPtyPair.h"

namespace {

using namespace std::chrono_literals;

// A second descriptor on the program's side of the terminal, opened before the link takes
// it exclusively: the test reads the terminal's settings through it and can fill the line.
class CSlaveObserver {
public:
    explicit CSlaveObserver(const QString& path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
    ~CSlaveObserver() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    CSlaveObserver(const CSlaveObserver&) = delete;
    CSlaveObserver& operator=(const CSlaveObserver&) = delete;

    int Fd() const { return m_fd; }
    termios Settings() const {
        termios tio{};
        EXPECT_EQ(::tcgetattr(m_fd, &tio), 0);
        return tio;
    }
    // Writes towards the dongle side until the line takes nothing more, so that the program's
    // next write has to wait. The terminal moves its buffers on asynchronously: it is full once
    // several tries in a row take nothing.
    void FillLine() const {
        const QByteArray chunk(4096, 'x');
        for (int quietRounds = 0; quietRounds < 3;) {
            qsizetype wrote = 0;
            for (;;) {
                const ssize_t n = ::write(m_fd, chunk.constData(), chunk.size());
                if (n <= 0) {
                    break;
                }
                wrote += n;
            }
            quietRounds = wrote == 0 ? quietRounds + 1 : 0;
            std::this_thread::sleep_for(20ms);
        }
    }

private:
    int m_fd;
};

QByteArray TakeAll(CCommThread& link) {
    QByteArray out;
    for (int n = link.BytesHeld(); n > 0; --n) {
        out.append(static_cast<char>(link.TakeByte()));
    }
    return out;
}

int Write(CCommThread& link, const QByteArray& bytes) {
    return link.WritePort(reinterpret_cast<const quint8*>(bytes.constData()),
                          static_cast<int>(bytes.size()));
}

// Line feed, carriage return, XON and XOFF would be eaten or translated by a cooked line.
const QByteArray kAwkwardBytes = FromHex("00 0A 0D 11 13 FF");

class CommThreadOnPty : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pty.IsValid()); }

    bool Open(quint32 baud = 9600, quint8 dataBits = 8, quint8 stopBits = 0, quint8 parity = 0) {
        return link.OpenPort(pty.SlavePath(), baud, dataBits, stopBits, parity);
    }

    CPtyPair pty;
    CMessageRecorder target;
    CCommThread link{&target};
};

TEST(CommThreadNames, PortNamesMapToDevicePaths) {
    const struct {
        const char* name;
        const char* path;
    } rows[] = {
        {"COM1", "/dev/ttyS0"},                      // the first port
        {"COM10", "/dev/ttyS9"},                     // the last one the dialog offers
        {"com2", "/dev/ttyS1"},                      // port names ignore case, as the dialog does
        {"/dev/ttyUSB0", "/dev/ttyUSB0"},            // a device path is used as it is
        {"/tmp/strobe-sim/a", "/tmp/strobe-sim/a"},  // a simulator's published link
        {"ttyACM0", "/dev/ttyACM0"},                 // a plain name lives in the device directory
        {"COM0", "/dev/COM0"},                       // no port 0: just a name that names nothing
        {"", ""},                                    // no port chosen: no device at all
        {"../etc/passwd", ""},                       // a name may not climb out of /dev
        {"..", ""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(CCommThread::DevicePathFor(QString::fromLatin1(row.name)),
                  QString::fromLatin1(row.path))
            << row.name;
    }
}

TEST(CommThreadTiming, WriteTimeoutPerByteFollowsTheBaudRate) {
    const struct {
        quint32 baud;
        int perByteMs;
    } rows[] = {
        {110, 174},   // slowest rate: 19200 / 110 rounded down
        {300, 64},    //
        {9600, 2},    // what every connection uses
        {14400, 1},   //
        {19200, 1},   //
        {38400, 0},   // from here on no write timeout at all
        {230000, 0},  //
        {0, 0},       // a nonsense rate must not divide by zero
    };
    for (const auto& row : rows) {
        EXPECT_EQ(CCommThread::WriteTimeoutPerByteMs(row.baud), row.perByteMs) << row.baud;
    }
}

TEST_F(CommThreadOnPty, OpensARawLineThatPassesEveryByteBothWays) {
    CSlaveObserver observer(pty.SlavePath());
    ASSERT_TRUE(Open());
    EXPECT_TRUE(link.IsOpen());
    EXPECT_EQ(link.DevicePath(), pty.SlavePath());

    const termios tio = observer.Settings();
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_iflag & (ICRNL | INLCR | IGNCR | IXON | IXOFF | ISTRIP), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t{CS8});
    EXPECT_EQ(tio.c_cflag & PARENB, 0u);
    EXPECT_EQ(tio.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(cfgetospeed(&tio), speed_t{B9600});

    EXPECT_EQ(Write(link, kAwkwardBytes), kAwkwardBytes.size());
    EXPECT_EQ(HexBytes(pty.Read(static_cast<int>(kAwkwardBytes.size()))), HexBytes(kAwkwardBytes));
    EXPECT_TRUE(pty.ReadAvailable(50ms).isEmpty()) << "nothing added, nothing echoed";

    ASSERT_TRUE(pty.Write(kAwkwardBytes));
    ASSERT_TRUE(WaitUntil([&] { return link.BytesHeld() == kAwkwardBytes.size(); }));
    EXPECT_TRUE(WaitUntil([&] { return target.Count(kReceivedNotice) >= 1; }));
    EXPECT_EQ(HexBytes(TakeAll(link)), HexBytes(kAwkwardBytes));
    EXPECT_TRUE(target.alerts.isEmpty());
}

// A pseudo-terminal keeps the rate, the stop bits and the parity kind, but always has 8 data
// bits and no parity enable: those two cannot be observed here.
TEST_F(CommThreadOnPty, LineSettingsReachTheDriver) {
    CSlaveObserver observer(pty.SlavePath());
    const struct {
        quint32 baud;
        quint8 dataBits, stopBits, parity;
        speed_t speed;
        tcflag_t cflags;  // within PARODD | CMSPAR | CSTOPB
    } rows[] = {
        {9600, 8, 0, 0, B9600, 0},                    // the usual connection
        {19200, 7, 2, 2, B19200, CSTOPB},             // even parity, two stop bits
        {4800, 5, 1, 1, B4800, PARODD | CSTOPB},      // odd; one and a half stops as two
        {115200, 6, 0, 3, B115200, PARODD | CMSPAR},  // mark parity
        {230000, 8, 0, 4, B230400, CMSPAR},           // space; 230000 taken as 230400
        {110, 8, 0, 0, B110, 0},                      // the slowest listed rate
        {57600, 8, 0, 1, B57600, PARODD},             // odd parity after mark: no stick bit
    };
    const tcflag_t mask = PARODD | CMSPAR | CSTOPB;
    for (const auto& row : rows) {
        ASSERT_TRUE(Open(row.baud, row.dataBits, row.stopBits, row.parity)) << row.baud;
        const termios tio = observer.Settings();
        EXPECT_EQ(tio.c_cflag & mask, row.cflags) << row.baud;
        EXPECT_EQ(cfgetospeed(&tio), row.speed) << row.baud;
        EXPECT_EQ(cfgetispeed(&tio), row.speed) << row.baud;
        EXPECT_EQ(tio.c_lflag & ICANON, 0u) << row.baud;
        link.ClosePort();
    }
}

TEST_F(CommThreadOnPty, RefusesSettingsTheLineCannotTakeAndStaysUsable) {
    const struct {
        quint32 baud;
        quint8 dataBits, stopBits, parity;
    } rows[] = {
        {9600, 4, 0, 0},   // four data bits: listed, but no POSIX driver has them
        {9600, 9, 0, 0},   // beyond any line
        {14400, 8, 0, 0},  // a listed rate termios does not know
        {0, 8, 0, 0},      // no rate
        {9600, 8, 3, 0},   // no such stop-bits code
        {9600, 8, 0, 5},   // no such parity code
    };
    for (const auto& row : rows) {
        EXPECT_FALSE(Open(row.baud, row.dataBits, row.stopBits, row.parity))
            << row.baud << " " << int{row.dataBits} << " " << int{row.stopBits} << " "
            << int{row.parity};
        EXPECT_FALSE(link.IsOpen());
    }
    PumpEvents(50ms);
    EXPECT_TRUE(target.entries.isEmpty());
    EXPECT_TRUE(target.alerts.isEmpty());
    // A refused opening left the device free and unlocked.
    ASSERT_TRUE(Open());
    EXPECT_EQ(Write(link, kAwkwardBytes), kAwkwardBytes.size());
}

TEST_F(CommThreadOnPty, BytesThatArrivedBeforeOpeningAreDiscarded) {
    ASSERT_TRUE(pty.Write("stale"));
    ASSERT_TRUE(Open());
    ASSERT_TRUE(pty.Write("fresh"));
    ASSERT_TRUE(WaitUntil([&] { return link.BytesHeld() >= 5; }));
    PumpEvents(50ms);
    EXPECT_EQ(TakeAll(link), QByteArray("fresh"));
}

TEST_F(CommThreadOnPty, WriteGivesUpAfterItsTimeoutAndWaitsWithoutOne) {
    CSlaveObserver observer(pty.SlavePath());
    const QByteArray frame = FromHex("FF 07 17 02 00 00 02");

    // 9600 baud: 2 ms a byte, so a frame that finds no room gives up after 14 ms.
    ASSERT_TRUE(Open(9600));
    observer.FillLine();
    EXPECT_EQ(Write(link, frame), 0);
    pty.ReadAvailable(100ms);
    EXPECT_EQ(Write(link, frame), frame.size()) << "the line works again once drained";
    pty.ReadAvailable(100ms);

    // 38400 baud: no timeout, the write waits until the far side makes room.
    ASSERT_TRUE(Open(38400));
    observer.FillLine();
    QByteArray drained;
    std::thread farSide([&] {
        std::this_thread::sleep_for(100ms);
        drained = pty.ReadAvailable(100ms);
    });
    EXPECT_EQ(Write(link, frame), frame.size());
    farSide.join();
    drained += pty.ReadAvailable(100ms);
    EXPECT_EQ(HexBytes(drained.right(frame.size())), HexBytes(frame));
}

TEST_F(CommThreadOnPty, WriteWhileClosedWritesNothing) {
    const QByteArray frame = FromHex("FF 05 00 00 01");
    EXPECT_EQ(Write(link, frame), 0) << "never opened";
    ASSERT_TRUE(Open());
    link.ClosePort();
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(Write(link, frame), 0) << "after ClosePort";
    EXPECT_TRUE(pty.ReadAvailable(50ms).isEmpty());
}

TEST(CommThreadMissingDevice, OpeningFailsAndShowsNothing) {
    CMessageRecorder target;
    CCommThread link(&target);
    EXPECT_FALSE(link.OpenPort(QStringLiteral("/dev/tarnel-no-such-port"), 9600, 8, 0, 0));
    EXPECT_FALSE(link.OpenPort(QString(), 9600, 8, 0, 0));
    // Not a terminal at all: the settings cannot be applied.
    EXPECT_FALSE(link.OpenPort(QStringLiteral("/dev/null"), 9600, 8, 0, 0));
    EXPECT_FALSE(link.IsOpen());
    const quint8 byte = 0xFF;
    EXPECT_EQ(link.WritePort(&byte, 1), 0);
    PumpEvents(50ms);
    EXPECT_TRUE(target.entries.isEmpty());
    EXPECT_TRUE(target.alerts.isEmpty());
}

}  // namespace
