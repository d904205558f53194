// The "Control surfaces" dialog and the --osc start option: what the operator sees and sets.
#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QToolBar>

#include "OscFixture.h"
#include "osc/COscAddressTable.h"
#include "osc/COscDialog.h"
#include "shell/CStartOptions.h"
#include "support/RunProgram.h"

class OscDialogTest : public COscTest {};

TEST_F(OscDialogTest, TheOperatorWatchesAndSetsTheServer) {
    ASSERT_NO_FATAL_FAILURE(StartOsc({1}));
    // The tool bar entry, by its shortcut; the dialog is not modal, so commands still run.
    auto* action = frame->findChild<QAction*>(QStringLiteral("toolControlSurfaces"));
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+O")));
    QTest::keyClick(frame.get(), Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    COscDialog* dialog = osc->Dialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dialog->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    const int port = osc->Server().Port();
    EXPECT_EQ(dialog->StatusLabel()->text(),
              QStringLiteral("Listening for OSC on UDP port %1.").arg(port));
    EXPECT_EQ(dialog->AllowedEdit()->toPlainText(), QStringLiteral("127.0.0.0/8\n::1"));

    // A message shows in the last messages, with what became of it.
    Send("/tarnel/A/CH-09/flash", {F(5.0)});
    ASSERT_GE(dialog->MessageList()->count(), 1);
    const QString last = dialog->MessageList()->item(dialog->MessageList()->count() - 1)->text();
    EXPECT_TRUE(last.contains(QStringLiteral("/tarnel/A/CH-09/flash f 5 (NoSuchUnit")))
        << last.toStdString();
    Send("/tarnel/subscribe", {I(surface.localPort())});
    ASSERT_EQ(dialog->ClientList()->count(), 1);
    EXPECT_TRUE(
        dialog->ClientList()->item(0)->text().contains(QStringLiteral("subscribed, 10 min left")));
}

TEST_F(OscDialogTest, TheOperatorSetsTheListsAndThePort) {
    ASSERT_NO_FATAL_FAILURE(StartOsc({1}));
    COscDialog* dialog = osc->ShowDialog();
    // Lists: a bad line is said and nothing is saved; a good one is in use and kept.
    const struct {
        const char* allowed;
        const char* clients;
        const char* status;  // the end of the status line
    } lists[] = {
        {"192.168.1.0/33", "",
         "Not saved: Line 1, \"192.168.1.0/33\", is not a numeric address "
         "or a subnet such as 192.168.1.0/24."},
        {"127.0.0.1", "127.0.0.1:9", "The lists are saved and in use."},
        {"127.0.0.1", "studio:9000",
         "Not saved: \"studio:9000\" is not a numeric address and a "
         "port, such as 192.168.1.30:9000."},
    };
    for (const auto& row : lists) {
        SCOPED_TRACE(row.allowed);
        dialog->AllowedEdit()->setPlainText(QString::fromUtf8(row.allowed));
        dialog->ClientsEdit()->setPlainText(QString::fromUtf8(row.clients));
        QTest::mouseClick(dialog->SaveButton(), Qt::LeftButton);
        EXPECT_TRUE(dialog->StatusLabel()->text().endsWith(QString::fromUtf8(row.status)))
            << dialog->StatusLabel()->text().toStdString();
    }
    EXPECT_EQ(osc->Feedback().ConfiguredText(), QStringList{QStringLiteral("127.0.0.1:9")});

    // Stop, then Start on a port another program holds: said, and the port is not changed.
    QTest::mouseClick(dialog->StartButton(), Qt::LeftButton);
    EXPECT_FALSE(osc->Server().IsRunning());
    EXPECT_EQ(dialog->StatusLabel()->text(), QStringLiteral("Stopped."));
    QUdpSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress::Any, 0));
    dialog->PortBox()->setValue(holder.localPort());
    QTest::mouseClick(dialog->StartButton(), Qt::LeftButton);
    EXPECT_FALSE(osc->Server().IsRunning());
    EXPECT_TRUE(dialog->StatusLabel()->text().startsWith(
        QStringLiteral("Port %1 is taken").arg(holder.localPort())));
    EXPECT_EQ(dialog->PortBox()->value(), holder.localPort());

    // Every control is reached by the keyboard and named for a screen reader.
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        // A spin box's line edit is the spin box's, which carries the name.
        if (w->focusPolicy() & Qt::TabFocus && w->isVisible() &&
            qobject_cast<QAbstractSpinBox*>(w->parentWidget()) == nullptr) {
            const auto* button = qobject_cast<QAbstractButton*>(w);
            EXPECT_TRUE(!w->accessibleName().isEmpty() || (button && !button->text().isEmpty()))
                << w->metaObject()->className();
        }
    }
}

TEST(OscStartOption, EachFormGetsAClearAnswer) {
    const struct {
        QStringList args;
        CStartOptions::Outcome outcome;
        int port;
        const char* error;
    } rows[] = {
        // Off unless asked for.
        {{}, CStartOptions::Outcome::kRun, 0, ""},
        // --osc alone: the default port.
        {{"--osc"}, CStartOptions::Outcome::kRun, 8481, ""},
        {{"--osc=9000"}, CStartOptions::Outcome::kRun, 9000, ""},
        {{"--osc=0"},
         CStartOptions::Outcome::kError,
         0,
         "--osc takes a port, 1 .. 65535, not '0'."},
        {{"--osc=70000"},
         CStartOptions::Outcome::kError,
         0,
         "--osc takes a port, 1 .. 65535, not '70000'."},
        {{"--osc=eight"},
         CStartOptions::Outcome::kError,
         0,
         "--osc takes a port, 1 .. 65535, not 'eight'."},
        // The port goes with "=": a separate word is not taken for it.
        {{"--osc", "9000"}, CStartOptions::Outcome::kError, 0, "Unexpected argument '9000'."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args.join(' ').toStdString());
        CStartOptions options;
        EXPECT_EQ(options.Parse(QStringList{QStringLiteral("tarnel-remote")} + row.args),
                  row.outcome);
        EXPECT_EQ(options.oscPort, row.port);
        EXPECT_EQ(options.Error().toStdString(), row.error);
    }
}

// The real program on a port another program holds says so on its standard error, and runs.
TEST(OscStartOption, ATakenPortIsSaid) {
    const QString program = QDir(QCoreApplication::applicationDirPath())
                                .absoluteFilePath(QStringLiteral("../shell/tarnel-remote"));
    ASSERT_TRUE(QFileInfo(program).isExecutable()) << program.toStdString();
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QUdpSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress::Any, 0));
    const ProgramRun run = RunProgram(
        {program, QStringLiteral("--osc=%1").arg(holder.localPort())},
        {QStringLiteral("QT_QPA_PLATFORM=offscreen"), QStringLiteral("TARNEL_STARTUP_TIMING=exit"),
         QStringLiteral("HOME=") + home.path()},
        std::chrono::seconds(30), home.path());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.err.contains(
        QStringLiteral("tarnel-remote: Port %1 is taken").arg(holder.localPort()).toUtf8()))
        << run.err.toStdString();
}

// The README's address table is the dispatcher's, word for word.
TEST(OscAddressTable, TheReadmeShowsTheTableTheProgramUses) {
    QFile readme(qEnvironmentVariable("TARNEL_SOURCE_DIR") + QStringLiteral("/README.md"));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly)) << readme.fileName().toStdString();
    const QString text = QString::fromUtf8(readme.readAll());
    const QString table = COscAddressTable::MarkdownTable();
    EXPECT_TRUE(text.contains(table)) << "the README's OSC table should read:\n"
                                      << table.toStdString();
}
