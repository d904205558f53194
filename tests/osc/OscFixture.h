#pragma once

// The real main frame offscreen on a pseudo-terminal dongle (COperatorSeamTest) with the OSC
// service attached on a free UDP port, and a surface's side: a loopback UDP socket that sends
// messages made by liblo and reads back what the program sends it.
#include <lo/lo.h>

#include <QUdpSocket>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "OperatorSeamFixture.h"
#include "osc/COscAttach.h"
#include "osc/COscFeedback.h"
#include "osc/COscServer.h"

// One argument of a message the test sends.
struct SendArg {
    char type;
    double number = 0.0;
    std::string text;
};
inline SendArg F(double v) {
    return {'f', v, {}};
}
inline SendArg I(int v) {
    return {'i', double(v), {}};
}
inline SendArg S(const char* v) {
    return {'s', 0.0, v};
}
inline SendArg T() {
    return {'T', 0.0, {}};
}

// A message the program sent: its address and its one argument as text ("4.5", "1", "Ready").
struct Received {
    std::string path;
    std::string value;
};

inline QByteArray OscBytes(const char* path, const std::vector<SendArg>& args) {
    lo_message m = lo_message_new();
    for (const SendArg& a : args) {
        switch (a.type) {
            case 'f':
                lo_message_add_float(m, static_cast<float>(a.number));
                break;
            case 'i':
                lo_message_add_int32(m, static_cast<int32_t>(a.number));
                break;
            case 's':
                lo_message_add_string(m, a.text.c_str());
                break;
            case 'T':
                lo_message_add_true(m);
                break;
            default:
                break;
        }
    }
    size_t size = 0;
    void* bytes = lo_message_serialise(m, path, nullptr, &size);
    QByteArray out(static_cast<const char*>(bytes), static_cast<qsizetype>(size));
    std::free(bytes);
    lo_message_free(m);
    return out;
}

// What a datagram says, through liblo's parser; an empty path for one it refuses.
inline Received ParseOsc(QByteArray datagram) {
    int result = 0;
    lo_message m =
        lo_message_deserialise(datagram.data(), static_cast<size_t>(datagram.size()), &result);
    if (m == nullptr) {
        return {};
    }
    Received r{datagram.constData(), {}};
    const char* types = lo_message_get_types(m);
    lo_arg** argv = lo_message_get_argv(m);
    if (types != nullptr && types[0] != '\0') {
        switch (types[0]) {
            case 'f':
                r.value = QString::number(argv[0]->f).toStdString();
                break;
            case 'i':
                r.value = std::to_string(argv[0]->i);
                break;
            case 's':
                r.value = &argv[0]->s;
                break;
            default:
                r.value = std::string(1, types[0]);
                break;
        }
    }
    lo_message_free(m);
    return r;
}

class COscTest : public COperatorSeamTest {
protected:
    // The frame with units in the given slots (flash 4.5, model 3.0), the service attached and
    // started, and the surface's socket on loopback.
    void StartOsc(std::initializer_list<int> occupied) {
        Start(occupied);
        osc = std::make_unique<COscAttach>(*frame, Folder());
        ASSERT_TRUE(StartOnFreePort());
        ASSERT_TRUE(surface.bind(QHostAddress::LocalHost, 0));
    }
    void TearDown() override {
        osc.reset();
        COperatorSeamTest::TearDown();
    }
    bool StartOnFreePort() {
        for (int attempt = 0; attempt < 5; ++attempt) {
            QUdpSocket probe;
            probe.bind(QHostAddress::Any, 0);
            const int port = probe.localPort();
            probe.close();
            if (osc->Start(port)) {
                return true;
            }
        }
        return false;
    }
    // Sends from a socket to the server and waits until the server took it (or dropped it).
    void Send(const char* path, const std::vector<SendArg>& args, QUdpSocket* from = nullptr,
              const QHostAddress& to = QHostAddress::LocalHost) {
        QUdpSocket& socket = from != nullptr ? *from : surface;
        const quint64 before = Heard();
        ASSERT_GT(socket.writeDatagram(OscBytes(path, args), to,
                                       static_cast<quint16>(osc->Server().Port())),
                  0);
        ASSERT_TRUE(WaitUntil([&] { return Heard() > before; })) << path;
    }
    quint64 Heard() const { return osc->Server().Received() + osc->Server().Dropped(); }
    // Everything the program sent the surface's socket within quiet of silence.
    std::vector<Received> Replies(std::chrono::milliseconds quiet = 30ms,
                                  QUdpSocket* at = nullptr) {
        QUdpSocket& socket = at != nullptr ? *at : surface;
        std::vector<Received> out;
        QElapsedTimer idle;
        idle.start();
        while (idle.elapsed() < quiet.count()) {
            PumpEvents(2ms);
            while (socket.hasPendingDatagrams()) {
                QByteArray datagram(static_cast<qsizetype>(socket.pendingDatagramSize()), '\0');
                socket.readDatagram(datagram.data(), datagram.size());
                out.push_back(ParseOsc(datagram));
                idle.restart();
            }
        }
        return out;
    }
    // What the program sent the surface's socket until done says it is all there (or limit).
    std::vector<Received> RepliesUntil(
        const std::function<bool(const std::vector<Received>&)>& done,
        std::chrono::milliseconds limit = 5s) {
        std::vector<Received> out;
        QElapsedTimer clock;
        clock.start();
        while (!done(out) && clock.elapsed() < limit.count()) {
            for (Received& r : Replies(5ms)) {
                out.push_back(std::move(r));
            }
        }
        return out;
    }
    // The errors among the replies, "NoSuchUnit: No unit CH-07 in Studio A" each.
    std::vector<std::string> Errors() {
        std::vector<std::string> errors;
        for (const Received& r : Replies()) {
            if (r.path == "/tarnel/error") {
                errors.push_back(r.value);
            }
        }
        return errors;
    }

    std::unique_ptr<COscAttach> osc;
    QUdpSocket surface;
};
