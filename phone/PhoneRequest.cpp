#include "phone/PhoneRequest.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <array>
#include <cmath>

#include "control/MeterStep.h"

namespace {

using Kind = PhoneRequest::Kind;

struct NamedKind {
    const char* word;
    Kind kind;
};
constexpr std::array<NamedKind, 9> kCommands{{
    {"step", Kind::kStep},
    {"set", Kind::kSet},
    {"setting", Kind::kSetting},
    {"test", Kind::kTest},
    {"studio", Kind::kStudio},
    {"memory", Kind::kMemory},
    {"check", Kind::kCheck},
    {"meter", Kind::kMeter},
    {"state", Kind::kState},
}};
// Names and words longer than this are no studio, unit or setting of ours.
constexpr int kMaxWordChars = 80;
// An id is a counter of the page's; beyond this it is not one.
constexpr double kMaxId = 1e15;

PhoneRequest Refused(PhoneRequest request, const QString& why) {
    request.kind = Kind::kInvalid;
    request.error = why;
    return request;
}

// A string field of at most kMaxWordChars; false when it is missing or not one.
bool Word(const QJsonObject& object, const char* key, QString& out) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isString() || value.toString().size() > kMaxWordChars) {
        return false;
    }
    out = value.toString();
    return true;
}

bool ReadUnit(const QJsonObject& object, PhoneRequest& request) {
    return Word(object, "studio", request.studio) && Word(object, "unit", request.unit);
}

bool ReadPower(const QJsonObject& object, const char* key, PhoneRequest& request) {
    QString power;
    const QJsonValue value = object.value(QLatin1String(key));
    if (!Word(object, "power", power) ||
        (power != QLatin1String("flash") && power != QLatin1String("model")) || !value.isDouble() ||
        !std::isfinite(value.toDouble())) {
        return false;
    }
    request.model = power == QLatin1String("model");
    request.value = value.toDouble();
    return true;
}

bool ReadMeter(const QJsonObject& object, PhoneRequest& request) {
    QString reading;
    if (!ReadUnit(object, request) || !Word(object, "reading", reading) ||
        !Word(object, "wanted", request.wanted)) {
        return false;
    }
    const auto from = ApertureTenths(reading);
    const auto to = ApertureTenths(request.wanted);
    if (!from || !to) {
        return false;
    }
    request.readingTenths = *from;
    request.wantedTenths = *to;
    return true;
}

// The fields a command's kind needs; false when one is missing or of the wrong type.
bool ReadFields(const QJsonObject& object, PhoneRequest& request) {
    switch (request.kind) {
        case Kind::kStep:
        case Kind::kSet:
            return ReadUnit(object, request) &&
                   ReadPower(object, request.kind == Kind::kStep ? "delta" : "value", request);
        case Kind::kSetting:
            return ReadUnit(object, request) && Word(object, "setting", request.setting) &&
                   Word(object, "value", request.text);
        case Kind::kTest:
            return ReadUnit(object, request);
        case Kind::kStudio:
            return Word(object, "studio", request.studio);
        case Kind::kMemory:
            return Word(object, "name", request.name);
        case Kind::kMeter:
            return ReadMeter(object, request);
        default:
            return true;
    }
}

PhoneRequest ReadHello(const QJsonObject& object) {
    PhoneRequest request;
    request.kind = Kind::kHello;
    const bool withCode = Word(object, "code", request.code) && !request.code.isEmpty();
    const bool withToken = Word(object, "token", request.token) && !request.token.isEmpty();
    if (withCode == withToken) {
        request.code.clear();
        request.token.clear();
        return Refused(request, QStringLiteral("A hello brings a pairing code or a token"));
    }
    if (!Word(object, "name", request.name)) {
        request.name = QStringLiteral("Phone");
    }
    return request;
}

}  // namespace

PhoneRequest ParseRequest(const QByteArray& message) {
    PhoneRequest request;
    if (message.size() > kMaxRequestBytes) {
        return Refused(request,
                       QStringLiteral("Message longer than %1 bytes").arg(kMaxRequestBytes));
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(message, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return Refused(request, QStringLiteral("Not a JSON object"));
    }
    const QJsonObject object = document.object();
    const QString type = object.value(QLatin1String("type")).toString();
    if (type == QLatin1String("hello")) {
        return ReadHello(object);
    }
    if (type == QLatin1String("ping")) {
        request.kind = Kind::kPing;
        return request;
    }
    const QJsonValue id = object.value(QLatin1String("id"));
    if (id.isDouble() && id.toDouble() >= 0 && id.toDouble() <= kMaxId) {
        request.id = std::floor(id.toDouble());
    }
    const QString command = object.value(QLatin1String("cmd")).toString();
    for (const NamedKind& named : kCommands) {
        if (command == QLatin1String(named.word)) {
            request.kind = named.kind;
        }
    }
    if (request.kind == Kind::kInvalid) {
        return Refused(request,
                       QStringLiteral("Unknown command %1").arg(command.left(kMaxWordChars)));
    }
    if (!ReadFields(object, request)) {
        return Refused(request, QStringLiteral("The command %1 lacks a field or has one of the "
                                               "wrong kind")
                                    .arg(command));
    }
    return request;
}
