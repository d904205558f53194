// A port that cannot be opened says why, on real files and pseudo-terminals.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "link/CCommThread.h"
#include "support/CMessageRecorder.h"
#include "support/CPtyPair.h"
#include "support/RunProgram.h"

namespace {

using Cause = PortFailure::Cause;

constexpr const char* kRefusedDeviceVariable = "TARNEL_TEST_REFUSED_DEVICE";

struct Opening {
    QString port;
    quint8 dataBits = 8;
};

}  // namespace

// Root ignores modes: as root the table runs once more as an unprivileged user, who meets a
// device the way a user not yet in its group meets a USB dongle (root:dialout, 0660), prepared
// here and named in the environment. Run unprivileged from the start, the user's own terminal
// refuses its owner.
TEST(PortFailure, EachCauseSaysWhy) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile regular(dir.filePath(QStringLiteral("plain-file")));
    ASSERT_TRUE(regular.open(QIODevice::WriteOnly));
    CPtyPair lockedPty;
    CPtyPair refusedPty;
    CPtyPair oddPty;
    ASSERT_TRUE(lockedPty.IsValid() && refusedPty.IsValid() && oddPty.IsValid());
    CMessageRecorder target;
    CCommThread holder(&target);  // the other program that has the device
    ASSERT_TRUE(holder.OpenPort(lockedPty.SlavePath(), 9600, 8, 0, 0));

    const bool privileged = ::geteuid() == 0;
    const QString prepared = qEnvironmentVariable(kRefusedDeviceVariable);
    QString refused = prepared.isEmpty() ? refusedPty.SlavePath() : prepared;
    QString refusedSays = QStringLiteral("permission denied");
    if (privileged) {
        const group* dialout = ::getgrnam("dialout");
        ASSERT_NE(dialout, nullptr);
        const QByteArray path = QFile::encodeName(refusedPty.SlavePath());
        ASSERT_EQ(::chown(path.constData(), 0, dialout->gr_gid), 0);
        ASSERT_EQ(::chmod(path.constData(), 0660), 0);
    } else if (prepared.isEmpty()) {
        ASSERT_EQ(::chmod(QFile::encodeName(refused).constData(), 0), 0);
    } else {
        refusedSays = QStringLiteral(
            "permission denied; join the group \"dialout\" (sudo usermod -aG dialout $USER, then "
            "log in again) or install the program's udev rule");
    }

    const struct {
        const char* label;
        Opening opening;
        Cause cause;
        QString says;
    } rows[] = {
        {"missing path",
         {dir.filePath(QStringLiteral("ttyUSB7"))},
         Cause::kNoDevice,
         QStringLiteral("no such device")},
        {"plain name that names no device",
         {QStringLiteral("ttyNOSUCH")},
         Cause::kNoDevice,
         QStringLiteral("Cannot open /dev/ttyNOSUCH: no such device")},
        {"no port chosen", {QString()}, Cause::kNoDevice, QStringLiteral("No port chosen")},
        {"folder", {dir.path()}, Cause::kNotSerial, QStringLiteral("not a serial device")},
        {"regular file",
         {regular.fileName()},
         Cause::kNotSerial,
         QStringLiteral("not a serial device")},
        {"a device that is no terminal",
         {QStringLiteral("/dev/null")},
         Cause::kNotSerial,
         QStringLiteral("not a serial device")},
        {"locked by another opener",
         {lockedPty.SlavePath()},
         Cause::kBusy,
         QStringLiteral("in use by another program (%1, process %2)")
             .arg(QFileInfo(QCoreApplication::applicationFilePath()).fileName().left(15))
             .arg(QCoreApplication::applicationPid())},
        {"mode refuses the user", {refused}, Cause::kPermission, refusedSays},
        {"setting the system cannot make",
         {oddPty.SlavePath(), 4},
         Cause::kSetting,
         QStringLiteral("Cannot use %1: 9600 baud, 4 data bits, no parity, 1 stop bit cannot "
                        "be set here")
             .arg(oddPty.SlavePath())},
    };
    for (const auto& row : rows) {
        if (privileged && row.cause == Cause::kPermission) {
            continue;
        }
        SCOPED_TRACE(row.label);
        CCommThread link(&target);
        PortFailure why;
        EXPECT_FALSE(link.OpenPort(row.opening.port, 9600, row.opening.dataBits, 0, 0, &why));
        EXPECT_FALSE(link.IsOpen());
        EXPECT_EQ(why.cause, row.cause);
        EXPECT_TRUE(why.text.contains(row.says)) << why.text.toStdString();
    }
    EXPECT_TRUE(holder.IsOpen()) << "the holder keeps its device";
    QCoreApplication::processEvents();
    EXPECT_TRUE(target.entries.isEmpty() && target.alerts.isEmpty())
        << "a failed opening starts no watcher and shows nothing";

    if (privileged) {
        const ProgramRun run =
            RunProgram({QStringLiteral("/usr/bin/setpriv"), QStringLiteral("--reuid=65534"),
                        QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"),
                        QCoreApplication::applicationFilePath(),
                        QStringLiteral("--gtest_filter=PortFailure.EachCauseSaysWhy")},
                       {QStringLiteral("%1=%2").arg(QLatin1String(kRefusedDeviceVariable),
                                                    refusedPty.SlavePath())});
        EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
        EXPECT_TRUE(run.out.contains("[  PASSED  ] 1 test")) << run.out.toStdString();
    }
}
