#include "control/CCommandDesk.h"

#include <QJsonArray>
#include <cmath>

#include "control/CCommandHost.h"
#include "control/CommandWords.h"
#include "control/UnitChange.h"
#include "link/UnitMask.h"
#include "model/PowerValue.h"
#include "model/SettingField.h"
#include "model/StudioManager.h"

namespace {

QString PowerName(CCommandDesk::Power power) {
    return power == CCommandDesk::Power::kFlash ? QStringLiteral("flash") : QStringLiteral("model");
}

QString NumberText(double value) {
    return QString::number(value, 'f', std::fabs(value) < 1000.0 ? 1 : 0);
}

// A value in displayed steps as tenths; false for a value that is not a finite number or lies
// far outside any power.
bool ToTenths(double value, int& tenths) {
    if (!std::isfinite(value) || std::fabs(value) > 1000.0) {
        return false;
    }
    constexpr double kTenthsPerStep = 10.0;
    tenths = static_cast<int>(std::lround(value * kTenthsPerStep));
    return true;
}

std::vector<StrobeData*> TickedUnits(const StudioData& studio) {
    std::vector<StrobeData*> units;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        StrobeData* unit = studio.UnitAt(slot);
        if (unit != nullptr && unit->bSelected != 0) {
            units.push_back(unit);
        }
    }
    return units;
}

}  // namespace

QString CCommandDesk::Outcome::Name() const {
    switch (refusal) {
        case Refusal::kNone:
            return {};
        case Refusal::kNotConnected:
            return QStringLiteral("NotConnected");
        case Refusal::kBusy:
            return QStringLiteral("Busy");
        case Refusal::kNoStudio:
            return QStringLiteral("NoSuchStudio");
        case Refusal::kNotInUse:
            return QStringLiteral("StudioNotInUse");
        case Refusal::kNoUnit:
            return QStringLiteral("NoSuchUnit");
        case Refusal::kNoTicked:
            return QStringLiteral("NoTickedUnit");
        case Refusal::kNoCurrent:
            return QStringLiteral("NoCurrentUnit");
        case Refusal::kUnknownSetting:
            return QStringLiteral("NoSuchSetting");
        case Refusal::kBadValue:
            return QStringLiteral("BadValue");
        case Refusal::kNoMemory:
            return QStringLiteral("NoSuchMemory");
        case Refusal::kRefused:
            return QStringLiteral("Refused");
    }
    return {};
}

CCommandDesk::CCommandDesk(CUnitControl& control, CCommandHost& host, QObject* parent)
    : QObject(parent), m_control(control), m_host(host) {
    auto one = [this](const UnitRef& unit) { emit unitUpdated(unit); };
    connect(&control, &CUnitControl::unitReported, this, one);
    connect(&control, &CUnitControl::unitRead, this, one);
    connect(&control, &CUnitControl::unitRenamed, this, one);
    connect(&control, &CUnitControl::answerMarked, this, one);
    connect(&control, &CUnitControl::unitEdited, this, one);
    connect(&control, &CUnitControl::unitChanged, this, one);
    connect(&control, &CUnitControl::changed, this, [this](const UnitChange& change) {
        if (change.kind == UnitChange::Kind::kMemory && change.studioNum >= 0 &&
            change.studioNum < kStudioCount) {
            m_appliedMemory[static_cast<size_t>(change.studioNum)] = change.memoryName;
        }
    });
    connect(&control, &CUnitControl::unitAdded, this,
            [this](const UnitRef& unit) { emit studioUpdated(unit.nStudioNum); });
    connect(&control, &CUnitControl::tickedEdited, this, [this] {
        if (const StudioData* studio = CurrentStudio(m_control.Manager())) {
            TellTicked(studio->nStudioNum);
        }
    });
    connect(&control, &CUnitControl::memoryApplied, this, [this](StudioData* studio) {
        if (studio != nullptr) {
            emit studioUpdated(studio->nStudioNum);
        }
    });
}

void CCommandDesk::TellTicked(int studioNum) {
    if (const StudioData* studio = m_control.Manager().StudioAt(studioNum)) {
        for (StrobeData* unit : TickedUnits(*studio)) {
            emit unitUpdated(RefOf(unit));
        }
    }
}

void CCommandDesk::OnConnectionChanged(bool connected) {
    emit connectionChanged(connected);
}

CCommandDesk::Outcome CCommandDesk::Refuse(Refusal refusal, const QString& message) const {
    return Outcome{refusal, message};
}

CCommandDesk::Outcome CCommandDesk::Ready() const {
    if (m_host.IsBusy()) {
        return Refuse(Refusal::kBusy, QStringLiteral("Busy at the computer"));
    }
    if (!m_host.IsConnected()) {
        return Refuse(Refusal::kNotConnected, QStringLiteral("Not connected"));
    }
    return {};
}

CCommandDesk::Outcome CCommandDesk::ResolveStudio(const QString& studio, StudioData*& out) const {
    const StudioManager& manager = m_control.Manager();
    const QString folded = FoldedWord(studio);
    out = nullptr;
    if (folded == QLatin1String("current")) {
        out = CurrentStudio(manager);
        return out != nullptr ? Outcome{}
                              : Refuse(Refusal::kNoStudio,
                                       QStringLiteral("No studio is shown at the computer"));
    }
    for (int n = 0; n < kStudioCount; ++n) {
        if (folded == FoldedWord(StudioLetter(n)) || folded == FoldedWord(StudioNameOf(n))) {
            out = manager.StudioAt(n);
        }
    }
    if (out == nullptr) {
        return Refuse(Refusal::kNoStudio, QStringLiteral("No studio %1").arg(studio.left(40)));
    }
    return {};
}

CCommandDesk::Outcome CCommandDesk::Resolve(const QString& studio, const QString& unit,
                                            Target& target) const {
    const StudioManager& manager = m_control.Manager();
    const QString who = FoldedWord(unit);
    if (who == QLatin1String("current")) {
        StrobeData* current = manager.Resolve(m_host.CurrentUnit());
        if (current == nullptr) {
            return Refuse(Refusal::kNoCurrent, QStringLiteral("No unit is picked at the computer"));
        }
        target.studio = current->Studio();
        target.units = {current};
    } else {
        Outcome found = ResolveStudio(studio, target.studio);
        if (!found.Ok()) {
            return found;
        }
        if (who == QLatin1String("ticked")) {
            target.ticked = true;
            target.units = TickedUnits(*target.studio);
            if (target.units.empty()) {
                return Refuse(
                    Refusal::kNoTicked,
                    QStringLiteral("No unit is ticked in %1").arg(target.studio->sStudioName));
            }
        } else {
            StrobeData* one = target.studio->UnitAt(SlotOfUnitName(unit));
            if (one == nullptr) {
                return Refuse(Refusal::kNoUnit,
                              QStringLiteral("No unit %1 in %2")
                                  .arg(unit.left(40), target.studio->sStudioName));
            }
            target.units = {one};
        }
    }
    // The dongle speaks to one studio's group at a time: a frame for another studio's unit
    // would reach the unit of the same slot in the studio the dongle is on.
    if (manager.activeStudio != nullptr && manager.activeStudio != target.studio) {
        return Refuse(Refusal::kNotInUse,
                      QStringLiteral("%1 is not the dongle's studio: select it first")
                          .arg(target.studio->sStudioName));
    }
    return {};
}

CCommandDesk::Outcome CCommandDesk::Find(const QString& studio, const QString& unit,
                                         Target& target) const {
    const Outcome ready = Ready();
    return ready.Ok() ? Resolve(studio, unit, target) : ready;
}

CCommandDesk::Outcome CCommandDesk::SetPower(const QString& studio, const QString& unit,
                                             Power power, double value) {
    Outcome ready = Ready();
    Target target;
    if (!ready.Ok() || !(ready = Resolve(studio, unit, target)).Ok()) {
        return ready;
    }
    int tenths = 0;
    if (!ToTenths(value, tenths) || tenths < POWER_MIN || tenths > POWER_MAX) {
        return Refuse(Refusal::kBadValue, QStringLiteral("%1 %2 is outside %3 .. %4")
                                              .arg(PowerName(power), NumberText(value),
                                                   FormatPower(POWER_MIN), FormatPower(POWER_MAX)));
    }
    const bool flash = power == Power::kFlash;
    for (StrobeData* one : target.units) {
        int flashValue = one->nFlashValue;
        int modelValue = one->nModelValue;
        const bool propLink = one->nModelMode1 == 1;
        TrackPower(flash ? flashValue : modelValue, flash ? modelValue : flashValue, tenths,
                   propLink);
        m_control.SetPower(*one, power, flashValue, modelValue, propLink);
    }
    return {};
}

CCommandDesk::Outcome CCommandDesk::StepPower(const QString& studio, const QString& unit,
                                              Power power, double delta) {
    Outcome ready = Ready();
    Target target;
    if (!ready.Ok() || !(ready = Resolve(studio, unit, target)).Ok()) {
        return ready;
    }
    int tenths = 0;
    constexpr int kWidestStep = POWER_MAX - POWER_MIN;
    if (!ToTenths(delta, tenths) || std::abs(tenths) > kWidestStep) {
        return Refuse(Refusal::kBadValue,
                      QStringLiteral("%1 step %2 is outside -%3 .. %3")
                          .arg(PowerName(power), NumberText(delta), FormatPower(kWidestStep)));
    }
    if (tenths == 0) {
        return {};
    }
    const bool flash = power == Power::kFlash;
    if (target.ticked) {
        // As the selected-units panel's control: one change for every ticked unit.
        m_control.ApplyOffsets(target.units, power, flash ? tenths : 0, flash ? 0 : tenths);
        return {};
    }
    StrobeData& one = *target.units.front();
    int flashValue = one.nFlashValue;
    int modelValue = one.nModelValue;
    const bool propLink = one.nModelMode1 == 1;
    int& moved = flash ? flashValue : modelValue;
    const int to = ClampPower(moved + tenths);
    if (to == moved) {
        return {};  // at the bound already, as a spin there: nothing to send
    }
    TrackPower(moved, flash ? modelValue : flashValue, to, propLink);
    m_control.SetPower(one, power, flashValue, modelValue, propLink);
    return {};
}

CCommandDesk::Outcome CCommandDesk::SetSetting(const QString& studio, const QString& unit,
                                               const QString& setting, const QString& value) {
    Outcome ready = Ready();
    Target target;
    if (!ready.Ok() || !(ready = Resolve(studio, unit, target)).Ok()) {
        return ready;
    }
    const FieldCode field = FieldOfSetting(setting);
    if (field == kFieldNone) {
        return Refuse(Refusal::kUnknownSetting,
                      QStringLiteral("No setting %1 (%2)")
                          .arg(setting.left(40), NamedSettingWords().join(QStringLiteral(", "))));
    }
    const int code = ParseSettingWord(field, value);
    if (code < 0) {
        return Refuse(Refusal::kBadValue, QStringLiteral("%1 takes %2 or %3, not %4")
                                              .arg(setting, SettingValueText(field, 0),
                                                   SettingValueText(field, 1), value.left(40)));
    }
    if (target.ticked) {
        m_control.SetTickedSetting(target.units, field, code);
    } else {
        m_control.SetSetting(*target.units.front(), field, code);
    }
    return {};
}

CCommandDesk::Outcome CCommandDesk::Test(const QString& studio, const QString& unit) {
    Outcome ready = Ready();
    Target target;
    if (!ready.Ok() || !(ready = Resolve(studio, unit, target)).Ok()) {
        return ready;
    }
    quint16 mask = 0;
    if (target.ticked) {
        for (const StrobeData* one : target.units) {
            mask |= UnitMaskOf(one->nChNum);
        }
    }
    m_control.Test(*target.units.back(), mask);
    return {};
}

CCommandDesk::Outcome CCommandDesk::SelectStudio(const QString& studio) {
    if (m_host.IsBusy()) {
        return Refuse(Refusal::kBusy, QStringLiteral("Busy at the computer"));
    }
    StudioData* found = nullptr;
    Outcome outcome = ResolveStudio(studio, found);
    if (outcome.Ok()) {
        m_host.ShowStudio(found->nStudioNum);
    }
    return outcome;
}

CCommandDesk::Outcome CCommandDesk::ApplyMemory(const QString& name) {
    Outcome ready = Ready();
    if (!ready.Ok()) {
        return ready;
    }
    if (!m_host.MemoryNames().contains(name)) {
        return Refuse(Refusal::kNoMemory,
                      QStringLiteral("No Business Memory %1").arg(name.left(80)));
    }
    const QString why = m_host.ApplyMemory(name);
    return why.isEmpty() ? Outcome{} : Refuse(Refusal::kRefused, why);
}

CCommandDesk::Outcome CCommandDesk::CheckUnits() {
    Outcome ready = Ready();
    if (!ready.Ok()) {
        return ready;
    }
    const QString why = m_host.CheckUnits();
    return why.isEmpty() ? Outcome{} : Refuse(Refusal::kRefused, why);
}

QJsonObject CCommandDesk::UnitState(const StrobeData& unit) const {
    return UnitStateJson(unit, CurrentUnit(m_control.Manager()) == &unit);
}

QString CCommandDesk::StateText() const {
    const StudioManager& manager = m_control.Manager();
    QStringList lines{m_host.IsConnected() ? QStringLiteral("Connected")
                                           : QStringLiteral("Not connected")};
    for (int n = 0; n < kStudioCount; ++n) {
        for (int slot = 0; slot < kSlotCount; ++slot) {
            if (const StrobeData* unit = manager.StudioAt(n)->UnitAt(slot)) {
                lines << UnitStateLine(*unit);
            }
        }
    }
    return lines.join(QLatin1Char('\n'));
}

QJsonObject CCommandDesk::State() const {
    const StudioManager& manager = m_control.Manager();
    QJsonArray studios;
    for (int n = 0; n < kStudioCount; ++n) {
        const StudioData* studio = manager.StudioAt(n);
        QJsonArray units;
        for (int slot = 0; studio != nullptr && slot < kSlotCount; ++slot) {
            if (const StrobeData* unit = studio->UnitAt(slot)) {
                units.append(UnitState(*unit));
            }
        }
        QJsonObject entry{{QStringLiteral("studio"), StudioLetter(n)},
                          {QStringLiteral("name"), StudioNameOf(n)},
                          {QStringLiteral("inUse"), manager.activeStudio == studio},
                          {QStringLiteral("shown"), CurrentStudio(manager) == studio},
                          {QStringLiteral("units"), units}};
        if (const QString& memory = m_appliedMemory[static_cast<size_t>(n)]; !memory.isEmpty()) {
            entry.insert(QStringLiteral("memory"), memory);
        }
        studios.append(entry);
    }
    QJsonObject current;
    if (const StrobeData* unit = manager.Resolve(m_host.CurrentUnit())) {
        current = {{QStringLiteral("studio"), StudioLetter(unit->Studio()->nStudioNum)},
                   {QStringLiteral("unit"), unit->sChName}};
    }
    return {{QStringLiteral("connected"), m_host.IsConnected()},
            {QStringLiteral("busy"), m_host.IsBusy()},
            {QStringLiteral("current"), current},
            {QStringLiteral("studios"), studios},
            {QStringLiteral("memories"), QJsonArray::fromStringList(m_host.MemoryNames())}};
}
