#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <QElapsedTimer>
#include <csignal>
#include <functional>
#include <random>

#include "CTempWorkDir.h"
#include "model/ComSettings.h"
#include "model/StudioManager.h"
#include "store/CXmlStore.h"

namespace {

// Runs body in a forked child; its result is the child's exit code, -1 if it did not exit.
int RunInChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A disk that fills up after a few bytes: writes beyond the limit fail with EFBIG.
void LimitFileSize(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

class SaveFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.IsValid());
        store.pManager = &manager;
        store.showMessage = [this](const QString& text, const QString& caption) {
            messages << caption + ": " + text;
        };
        ASSERT_TRUE(QDir(dir.Path()).mkdir(kBusinessMemoryFolder));
        // Two studios with different contents, saved alternately under one name.
        for (int s : {0, 1}) {
            for (int slot = 0; slot < kSlotCount; ++slot) {
                StrobeData* u = PlaceUnit(manager, s, slot, std::make_unique<StrobeData>());
                u->sModelName = QString(200, QChar('a' + s));
                u->nFlashValue = 11 + s;
            }
        }
    }

    QByteArray SaveStudio(int studio) {
        manager.currentNode = manager.studios[studio].get();
        EXPECT_TRUE(SaveBusinessMemory(store, "m"));
        return dir.ReadFile(kPath);
    }

    const QString kPath = QStringLiteral("Business Memory/m.xml");
    CTempWorkDir dir;
    StudioManager manager;
    CXmlStore store{dir.Path()};
    QStringList messages;
};

TEST_F(SaveFaultTest, SaveOntoAFullDiskKeepsTheOldFilesAndSaysSo) {
    const QByteArray old = SaveStudio(0);
    ComSettings settings = DefaultComSettings();
    ASSERT_TRUE(SaveOption(store, settings));
    const QByteArray oldOption = dir.ReadFile(kOptionFile);
    const QStringList before = dir.Tree();

    manager.currentNode = manager.studios[1].get();
    settings.sComPort = QString(500, 'x');
    const int code = RunInChild([&] {
        LimitFileSize(64);
        const bool saved = SaveBusinessMemory(store, "m") || SaveOption(store, settings);
        return !saved && messages == QStringList{"Business Memory: Fail to save file",
                                                 "Tarnel Remote Control: Fail to save file"}
                   ? 0
                   : 1;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(dir.ReadFile(kPath), old);
    EXPECT_EQ(dir.ReadFile(kOptionFile), oldOption);
    EXPECT_EQ(dir.Tree(), before);  // no temporary file left behind
}

TEST_F(SaveFaultTest, SaveOverAFolderFailsAndLeavesItAlone) {
    ASSERT_TRUE(QDir(dir.Path()).mkpath(kPath + "/inner"));
    const QStringList before = dir.Tree();
    manager.currentNode = manager.studios[0].get();
    EXPECT_FALSE(SaveBusinessMemory(store, "m"));
    EXPECT_EQ(messages, QStringList{"Business Memory: Fail to save file"});
    EXPECT_EQ(dir.Tree(), before);
}

// A save killed at any moment leaves either the old or the new file, whole.
// TARNEL_KILL_ROUNDS sets how many saves are killed.
TEST_F(SaveFaultTest, KilledSavesLeaveTheOldOrTheNewFileWhole) {
    // Kill moments spread over a few saves, whatever the speed of this machine's disk.
    QElapsedTimer timer;
    timer.start();
    const QByteArray first = SaveStudio(1);
    const QByteArray second = SaveStudio(0);
    ASSERT_NE(first, second);
    const int saveUs = static_cast<int>(timer.nsecsElapsed() / 2000);
    const int rounds = qEnvironmentVariableIsSet("TARNEL_KILL_ROUNDS")
                           ? qEnvironmentVariableIntValue("TARNEL_KILL_ROUNDS")
                           : 50;
    std::mt19937 random(20240607);
    std::uniform_int_distribution<int> delayUs(0, 2000 + 4 * saveUs);
    int seen[2] = {0, 0};
    for (int round = 0; round < rounds; ++round) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            for (int s = 1;; s ^= 1) {  // the file holds studio 0 now
                manager.currentNode = manager.studios[s].get();
                SaveBusinessMemory(store, "m");
            }
        }
        ::usleep(static_cast<useconds_t>(delayUs(random)));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);

        const QByteArray now = dir.ReadFile(kPath);
        ASSERT_TRUE(now == first || now == second) << "round " << round << ": " << now.size();
        ++seen[now == first ? 0 : 1];
        ASSERT_TRUE(LoadBusinessMemory(store, "m"));
    }
    const QStringList left =
        QDir(dir.FilePath(kBusinessMemoryFolder)).entryList(QDir::Files | QDir::Hidden);
    std::printf("%d killed saves (%d us a save): one/other content %d/%d, folder: %s\n", rounds,
                saveUs, seen[0], seen[1], qPrintable(left.join(' ')));
    EXPECT_TRUE(messages.isEmpty());
}

}  // namespace
