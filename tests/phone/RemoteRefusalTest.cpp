// What the remote refuses, through real sockets: each row is refused with its answer, and
// nothing reaches the dongle nor changes a unit.
#include <QMessageBox>
#include <QTcpSocket>

#include "phone/PhoneRequest.h"

#include "PhoneFixture.h"

namespace {

struct RefusalRow {
    const char* name;
    // Does the refused thing; returns the refusal's answer as the page got it.
    std::function<QJsonObject(CPhoneTest&)> act;
    const char* error;  // its name; empty: the connection is dropped instead
};

class CRemoteRefusalTest : public CPhoneTest, public ::testing::WithParamInterface<RefusalRow> {};

QJsonObject Step(double delta) {
    return {{"id", 1},         {"cmd", "step"},    {"studio", "A"},
            {"unit", "CH-02"}, {"power", "flash"}, {"delta", delta}};
}

// A WebSocket page that stops reading: the handshake by hand on a TCP socket, then state
// requests whose answers it never reads, until the program drops it.
bool StallingPageIsDropped(CPhoneTest& t, quint16 port) {
    QTcpSocket tcp;
    tcp.connectToHost(QHostAddress::LocalHost, port);
    if (!tcp.waitForConnected(2000)) {
        return false;
    }
    // A small window, so that what it does not read stays in the program's queue.
    tcp.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    tcp.write(
        QStringLiteral("GET /socket HTTP/1.1\r\nHost: 127.0.0.1:%1\r\nUpgrade: websocket\r\n"
                       "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                       "Sec-WebSocket-Version: 13\r\nOrigin: http://127.0.0.1:%1\r\n\r\n")
            .arg(port)
            .toLatin1());
    // The handshake's answer is read; nothing after it.
    if (!WaitUntil([&] { return tcp.bytesAvailable() > 0 && tcp.peek(12) == "HTTP/1.1 101"; })) {
        return false;
    }
    // A masked text frame (the mask is zero, so the payload goes as it is).
    const auto frame = [](const QByteArray& text) {
        QByteArray bytes;
        bytes += char(0x81);
        if (text.size() < 126) {
            bytes += char(0x80 | text.size());
        } else {
            bytes += char(0x80 | 126);
            bytes += char(text.size() >> 8);
            bytes += char(text.size() & 0xFF);
        }
        bytes += QByteArray(4, '\0');
        return bytes + text;
    };
    QByteArray hello = QJsonDocument(CPhoneTest::Hello(t.server().Pairing().Code())).toJson();
    tcp.write(frame(hello));
    const QByteArray ask = frame(R"({"cmd":"state"})");
    for (int i = 0; i < 40000 && tcp.state() == QAbstractSocket::ConnectedState; ++i) {
        tcp.write(ask);
        if (i % 200 == 0) {
            PumpEvents(1ms);
        }
    }
    return WaitUntil([&] { return tcp.state() != QAbstractSocket::ConnectedState; }, 10s);
}

const RefusalRow kRows[] = {
    // A code nobody was shown.
    {"wrong code",
     [](CPhoneTest& t) {
         CTestPage& page = t.Open();
         page.Send(t.Hello(QString(32, QLatin1Char('0'))));
         return page.Next();
     },
     "WrongCode"},
    // The address photographed after the phone it was shown to paired with it.
    {"used code",
     [](CPhoneTest& t) {
         const QString code = t.Code();
         t.Paired();
         CTestPage& later = t.Open();
         later.Send(t.Hello(code));
         return later.Next();
     },
     "UsedCode"},
    // Ten wrong guesses in a minute: then even the right code is refused.
    {"rate limit",
     [](CPhoneTest& t) {
         for (int i = 0; i < CPairing::kMaxFailures; ++i) {
             CTestPage& page = t.Open();
             page.Send(t.Hello(CPairing::NewSecret()));
             EXPECT_EQ(page.Next().value("error").toString(), "WrongCode");
         }
         CTestPage& page = t.Open();
         page.Send(t.Hello(t.Code()));
         return page.Next();
     },
     "Blocked"},
    // Another site's page in the phone's browser.
    {"wrong origin",
     [](CPhoneTest& t) {
         CTestPage page(QStringLiteral("http://evil.example"));
         page.socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/socket").arg(t.server().Port())));
         const QJsonObject answer = page.Next();
         EXPECT_TRUE(
             WaitUntil([&] { return page.socket.state() == QAbstractSocket::UnconnectedState; }));
         return answer;
     },
     "WrongOrigin"},
    // A command before pairing.
    {"not paired", [](CPhoneTest& t) { return t.Open().Ask(Step(0.1)); }, "NotPaired"},
    {"oversize",
     [](CPhoneTest& t) {
         QJsonObject big = Step(0.1);
         big.insert("padding", QString(kMaxRequestBytes, QLatin1Char('x')));
         return t.Paired().Ask(big);
     },
     "BadRequest"},
    {"malformed",
     [](CPhoneTest& t) {
         CTestPage& page = t.Paired();
         page.socket.sendTextMessage(R"({"cmd": "step", "delta": )");
         return page.NextOf("error");
     },
     "BadRequest"},
    {"unknown command",
     [](CPhoneTest& t) {
         return t.Paired().Ask({{"id", 1}, {"cmd", "explode"}});
     },
     "BadRequest"},
    {"value out of range",
     [](CPhoneTest& t) {
         return t.Paired().Ask({{"id", 1},
                                {"cmd", "set"},
                                {"studio", "A"},
                                {"unit", "CH-02"},
                                {"power", "flash"},
                                {"value", 9.0}});
     },
     "BadValue"},
    {"unreadable aperture",
     [](CPhoneTest& t) {
         return t.Paired().Ask({{"id", 1},
                                {"cmd", "meter"},
                                {"studio", "A"},
                                {"unit", "CH-02"},
                                {"reading", "eight"},
                                {"wanted", "11"}});
     },
     "BadRequest"},
    // Eight devices paired; the ninth is told why.
    {"ninth device",
     [](CPhoneTest& t) {
         for (int i = 0; i < CPhoneServer::kMaxDevices; ++i) {
             t.Paired();
         }
         CTestPage& ninth = t.Open();
         ninth.Send(t.Hello(t.Code()));
         return ninth.Next();
     },
     "TooManyDevices"},
    // A page that stops reading is dropped, and the program goes on.
    {"page that never reads",
     [](CPhoneTest& t) {
         EXPECT_TRUE(StallingPageIsDropped(t, t.server().Port()));
         return QJsonObject{};
     },
     ""},
    // A message box is open at the desktop: nothing is done, nothing kept for later.
    {"modal dialog open",
     [](CPhoneTest& t) {
         CTestPage& page = t.Paired();
         QJsonObject answer;
         QMessageBox box(QMessageBox::Information, "Tarnel", "Busy", QMessageBox::Ok, t.Frame());
         WhenModal<QMessageBox>(t.Frame(), [&](QMessageBox* shown) {
             answer = page.Ask(Step(0.1));
             shown->accept();
         });
         box.exec();
         PumpEvents(30ms);
         return answer;
     },
     "Busy"},
};

TEST_P(CRemoteRefusalTest, IsRefusedAndChangesNothing) {
    const RefusalRow& row = GetParam();
    StartRemote({0, 1});
    const std::array<int, 9> before0 = Settings(unit(0));
    const std::array<int, 9> before1 = Settings(unit(1));
    QStringList refusals;
    QObject::connect(&server(), &CPhoneServer::refused,
                     [&](const QString& line) { refusals << line; });

    const QJsonObject answer = row.act(*this);
    if (*row.error != '\0') {
        EXPECT_EQ(answer.value("type").toString(), "error");
        EXPECT_EQ(answer.value("error").toString(), row.error);
        EXPECT_FALSE(answer.value("message").toString().isEmpty());
    }
    EXPECT_FALSE(refusals.isEmpty()) << "the dialog hears of every refusal";
    PumpEvents(30ms);
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(Settings(unit(0)), before0);
    EXPECT_EQ(Settings(unit(1)), before1);
    // The program still answers a paired page afterwards (unless this address is blocked).
    if (std::string(row.name) != "rate limit" && std::string(row.name) != "ninth device") {
        EXPECT_EQ(Paired().Ask({{"id", 2}, {"cmd", "state"}}).value("type").toString(), "state");
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, CRemoteRefusalTest, ::testing::ValuesIn(kRows),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& c : name) {
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name;
                         });

}  // namespace
