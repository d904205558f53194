#include "phone/PhoneCommands.h"

#include "control/CCommandDesk.h"
#include "control/MeterStep.h"
#include "model/StrobeData.h"

namespace {

using Kind = PhoneRequest::Kind;
using Outcome = CCommandDesk::Outcome;
using Power = CCommandDesk::Power;

QJsonObject Answer(double id, const Outcome& outcome, const QString& done = {}) {
    if (!outcome.Ok()) {
        return PhoneError(id, outcome.Name(), outcome.message);
    }
    QJsonObject answer{{QStringLiteral("type"), QStringLiteral("answer")},
                       {QStringLiteral("id"), id}};
    if (!done.isEmpty()) {
        answer.insert(QStringLiteral("message"), done);
    }
    return answer;
}

// The meter's reading on one unit: its flash power moves by the stops between the reading
// and the aperture wanted, through the same command as the slider's.
QJsonObject Meter(const PhoneRequest& request, CCommandDesk& desk) {
    CCommandDesk::Target target;
    const Outcome found = desk.Find(request.studio, request.unit, target);
    if (!found.Ok()) {
        return Answer(request.id, found);
    }
    if (target.units.size() != 1) {
        return PhoneError(request.id, QStringLiteral("BadValue"),
                          QStringLiteral("The meter sets one unit at a time"));
    }
    const StrobeData& unit = *target.units.front();
    const MeterStep step =
        MeterPower(unit.nFlashValue, request.readingTenths, request.wantedTenths);
    const Outcome set =
        desk.SetPower(request.studio, request.unit, Power::kFlash, step.flashTenths / 10.0);
    const QString name = desk.UnitState(unit).value(QStringLiteral("unit")).toString();
    return Answer(request.id, set, MeterText(name, step, request.wanted));
}

}  // namespace

QJsonObject PhoneError(double id, const QString& name, const QString& message) {
    return {{QStringLiteral("type"), QStringLiteral("error")},
            {QStringLiteral("id"), id},
            {QStringLiteral("error"), name},
            {QStringLiteral("message"), message}};
}

QJsonObject RunPhoneCommand(const PhoneRequest& request, CCommandDesk& desk) {
    const CCommandDesk::Caller caller(desk, QStringLiteral("phone"));
    const Power power = request.model ? Power::kModel : Power::kFlash;
    switch (request.kind) {
        case Kind::kStep:
            return Answer(request.id,
                          desk.StepPower(request.studio, request.unit, power, request.value));
        case Kind::kSet:
            return Answer(request.id,
                          desk.SetPower(request.studio, request.unit, power, request.value));
        case Kind::kSetting:
            return Answer(request.id, desk.SetSetting(request.studio, request.unit, request.setting,
                                                      request.text));
        case Kind::kTest:
            return Answer(request.id, desk.Test(request.studio, request.unit));
        case Kind::kStudio:
            return Answer(request.id, desk.SelectStudio(request.studio));
        case Kind::kMemory:
            return Answer(request.id, desk.ApplyMemory(request.name));
        case Kind::kCheck:
            return Answer(request.id, desk.CheckUnits());
        case Kind::kMeter:
            return Meter(request, desk);
        case Kind::kState:
            return {{QStringLiteral("type"), QStringLiteral("state")},
                    {QStringLiteral("id"), request.id},
                    {QStringLiteral("state"), desk.State()}};
        case Kind::kPing:
            return {{QStringLiteral("type"), QStringLiteral("pong")}};
        default:
            return PhoneError(request.id, QStringLiteral("BadRequest"), request.error);
    }
}
