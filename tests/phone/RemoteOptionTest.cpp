// tarnel-remote --remote[=PORT], the real program: one line on standard output, the address
// with its code, and the page served there; a taken port gives way to the next one.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>

#include "support/CMessageRecorder.h"

namespace {

using namespace std::chrono_literals;

QString Program() {
    return QDir(QCoreApplication::applicationDirPath())
        .absoluteFilePath(QStringLiteral("../shell/tarnel-remote"));
}

// A port nobody listens on, and one beside it that is free as well.
quint16 FreePortPair() {
    for (int attempt = 0; attempt < 20; ++attempt) {
        QTcpServer probe;
        probe.listen(QHostAddress::Any, 0);
        const quint16 port = probe.serverPort();
        QTcpServer next;
        if (port < 65535 && next.listen(QHostAddress::Any, port + 1)) {
            return port;
        }
    }
    return 0;
}

TEST(RemoteOption, PrintsTheAddressWithItsCodeAndTakesTheNextPortWhenTaken) {
    QTemporaryDir dir;
    const quint16 port = FreePortPair();
    ASSERT_NE(port, 0);
    QTcpServer taken;  // someone else's server on the port asked for
    ASSERT_TRUE(taken.listen(QHostAddress::Any, port));

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_RUNTIME_DIR", dir.path());
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(dir.path());
    program.start(Program(), {QStringLiteral("--remote=%1").arg(port)});
    ASSERT_TRUE(program.waitForStarted());
    ASSERT_TRUE(WaitUntil([&] { return program.canReadLine(); }, 10s));
    const QString line = QString::fromUtf8(program.readLine()).trimmed();
    const QRegularExpression address(
        QStringLiteral("^http://[0-9.]+:%1/#[0-9a-f]{32}$").arg(port + 1));
    EXPECT_TRUE(address.match(line).hasMatch()) << line.toStdString();

    QNetworkAccessManager net;
    QNetworkReply* reply =
        net.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port + 1))));
    ASSERT_TRUE(WaitUntil([&] { return reply->isFinished(); }));
    EXPECT_EQ(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
    EXPECT_TRUE(reply->readAll().contains("app.js"));
    reply->deleteLater();
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(5000));
    EXPECT_TRUE(program.readAllStandardOutput().isEmpty()) << "one line only";
}

TEST(RemoteOption, RefusesAPortThatIsNotOne) {
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(environment);
    program.start(Program(), {QStringLiteral("--remote=http")});
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitCode(), 2);
    EXPECT_TRUE(program.readAllStandardError().contains("--remote takes a port"));
}

}  // namespace
