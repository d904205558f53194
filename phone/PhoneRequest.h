#pragma once

#include <QByteArray>
#include <QString>

// One message from a phone's page, read and checked before anything acts on it: a message
// that is not one of these, or lacks what its kind needs, is refused whole.
//   {"type": "hello", "code": "<32 hex>" | "token": "<32 hex>", "name": "Pixel 8"}
//   {"id": 7, "cmd": "step", "studio": "A", "unit": "CH-03", "power": "flash", "delta": 0.1}
//   {"id": 7, "cmd": "set", ..., "power": "model", "value": 4.5}
//   {"id": 7, "cmd": "setting", ..., "setting": "cell", "value": "on"}
//   {"id": 7, "cmd": "test", "studio": "A", "unit": "CH-03"}
//   {"id": 7, "cmd": "studio", "studio": "B"}
//   {"id": 7, "cmd": "memory", "name": "Portrait"}
//   {"id": 7, "cmd": "check"}
//   {"id": 7, "cmd": "meter", ..., "reading": "8.0 +0.3", "wanted": "11"}
//   {"id": 7, "cmd": "state"}
//   {"type": "ping"}: the page checks that the program still hears it
struct PhoneRequest {
    enum class Kind {
        kInvalid,
        kHello,
        kStep,
        kSet,
        kSetting,
        kTest,
        kStudio,
        kMemory,
        kCheck,
        kMeter,
        kState,
        kPing
    };

    Kind kind = Kind::kInvalid;
    QString error;   // why it is refused, for a person; empty for a valid request
    double id = -1;  // the page's number for the answer; -1 without
    QString code;    // hello
    QString token;   // hello
    QString name;    // hello: the device's name; memory: the file's name
    QString studio;
    QString unit;
    bool model = false;  // the power is the modelling lamp's, not the flash's
    double value = 0;    // step: the change; set: the value
    QString setting;
    QString text;  // setting: its value words
    int readingTenths = 0;
    int wantedTenths = 0;
    QString wanted;  // as typed, for the answer

    bool Ok() const { return kind != Kind::kInvalid; }
};

// The largest message a page may send; a longer one is refused unread.
inline constexpr int kMaxRequestBytes = 4096;

PhoneRequest ParseRequest(const QByteArray& message);
