// tarnel-remote --remote[=PORT], the real program: one line on standard output, the address
// with its code, and the page served there; a taken port gives way to the next one; a
// refusal goes to the frame log.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QWebSocket>

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
    const QString log = dir.filePath(QStringLiteral("frames.log"));
    program.start(Program(), {QStringLiteral("--remote=%1").arg(port), "--trace", log});
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

    // A wrong code: refused, and the frame log says so.
    QWebSocket page(QStringLiteral("http://127.0.0.1:%1").arg(port + 1));
    page.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/socket").arg(port + 1)));
    ASSERT_TRUE(WaitUntil([&] { return page.state() == QAbstractSocket::ConnectedState; }));
    QString answer;
    QObject::connect(&page, &QWebSocket::textMessageReceived,
                     [&](const QString& text) { answer = text; });
    page.sendTextMessage(QStringLiteral(R"({"type":"hello","code":"%1"})").arg(QString(32, '0')));
    ASSERT_TRUE(WaitUntil([&] { return !answer.isEmpty(); }));
    EXPECT_TRUE(answer.contains("WrongCode")) << answer.toStdString();
    QFile frames(log);
    EXPECT_TRUE(WaitUntil([&] {
        return frames.open(QIODevice::ReadOnly) &&
               (frames.readAll().contains("remote: 127.0.0.1: Wrong pairing code") ||
                (frames.close(), false));
    }));
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
