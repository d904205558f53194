#include "link/CStrobeEventHandler.h"

#include <memory>

#include "link/CLinkObserver.h"
#include "link/CUnitReportSink.h"
#include "link/ZbConstants.h"
#include "model/FieldCode.h"
#include "model/PowerValue.h"
#include "model/StudioManager.h"

namespace {

constexpr bool InPowerRange(int value) {
    return value >= POWER_MIN && value <= POWER_MAX;
}
constexpr int OnOff(int value) {
    return value != 0 ? 1 : 0;
}

}  // namespace

CStrobeEventHandler::CStrobeEventHandler(CUnitReportSink& sink, StudioManager& manager)
    : m_sink(sink), pManager(&manager) {}

void CStrobeEventHandler::TakePower(int& field, int value, const char* name, int unitIndex,
                                    const char* report) {
    if (InPowerRange(value)) {
        field = value;
        return;
    }
    ++m_droppedValues;
    if (pObserver != nullptr) {
        pObserver->OnEvent(CLinkObserver::Event::kValueDropped,
                           QStringLiteral("%1 %2 %3 of a %4 report ignored, outside %5..%6 "
                                          "(%7 dropped so far)")
                               .arg(SlotLabelOf(unitIndex), QLatin1StringView(name))
                               .arg(value)
                               .arg(QLatin1StringView(report))
                               .arg(POWER_MIN)
                               .arg(POWER_MAX)
                               .arg(m_droppedValues));
    }
}

void CStrobeEventHandler::TakeStatus(StrobeData& unit, const StrobeData& status, int unitIndex) {
    // The powers only where a unit could hold them; the rest as the unit reported it.
    const int flash = unit.nFlashValue;
    const int model = unit.nModelValue;
    CopySettingFields(unit, status);
    unit.nFlashValue = flash;
    unit.nModelValue = model;
    TakePower(unit.nFlashValue, status.nFlashValue, "flash", unitIndex, "status");
    TakePower(unit.nModelValue, status.nModelValue, "model", unitIndex, "status");
}

int CStrobeEventHandler::OnStatus(int unitIndex, const StrobeData& status) {
    StudioData* studio = CurrentStudio(*pManager);
    if (studio == nullptr) {
        return 1;
    }
    if (StrobeData* unit = studio->UnitAt(unitIndex)) {
        TakeStatus(*unit, status, unitIndex);
        m_sink.UnitReported(RefOf(unit));
        return 1;
    }
    // A status report is the only way a unit makes itself known.
    auto fresh = std::make_unique<StrobeData>();
    TakeStatus(*fresh, status, unitIndex);
    // Placing fails (and discards the unit) for a studio outside A..E or an index outside
    // 0..9; nothing may then be announced.
    if (StrobeData* placed =
            PlaceUnit(*pManager, studio->nStudioNum, unitIndex, std::move(fresh))) {
        m_sink.UnitPlaced(RefOf(placed));
    }
    return 1;
}

void CStrobeEventHandler::OnPowerPairs(const StudioData& studio, const quint8* frame) {
    for (int j = 0; j < kSlotCount; ++j) {
        // Looked up afresh each time: a view told of the change may change the model.
        StrobeData* unit = studio.UnitAt(j);
        const quint8 flash = frame[3 + 2 * j];
        const quint8 model = frame[4 + 2 * j];
        if (unit == nullptr || flash == 0 || model == 0) {
            continue;
        }
        TakePower(unit->nFlashValue, flash, "flash", j, "power pairs");
        TakePower(unit->nModelValue, model, "model", j, "power pairs");
        m_sink.UnitChanged(RefOf(unit), kFieldFlashValue);
    }
}

int CStrobeEventHandler::OnSetting(quint8 subCode, quint8 unitIndex, quint16 value,
                                   const quint8* frame) {
    StudioData* studio = CurrentStudio(*pManager);
    if (studio == nullptr) {
        return 1;
    }
    if (subCode == ZB_FLASH_TABLE || subCode == ZB_MODEL_TABLE) {
        if (frame != nullptr) {
            OnPowerPairs(*studio, frame);
        }
        return 1;
    }

    StrobeData* unit = studio->UnitAt(unitIndex);
    if (unit == nullptr) {
        return 1;
    }
    const int hi = value >> 8;
    const int lo = value & 0xFF;
    FieldCode code = kFieldNone;
    switch (subCode) {
        case ZB_FLASH_POWER:
            // The changed power decides whether the report counts; the other follows if it can.
            if (InPowerRange(hi)) {
                unit->nFlashValue = hi;
                TakePower(unit->nModelValue, lo, "model", unitIndex, "setting");
                code = kFieldFlashValue;
            } else {
                TakePower(unit->nFlashValue, hi, "flash", unitIndex, "setting");
            }
            break;
        case ZB_MODEL_POWER:
            if (InPowerRange(lo)) {
                unit->nModelValue = lo;
                TakePower(unit->nFlashValue, hi, "flash", unitIndex, "setting");
                code = kFieldModelValue;
            } else {
                TakePower(unit->nModelValue, lo, "model", unitIndex, "setting");
            }
            break;
        default: {
            // A switch or a mode: the field table names the member that takes it.
            const SettingField* field = SettingFieldOfSubCode(subCode);
            if (field == nullptr || field->power) {
                return 1;
            }
            unit->*field->member = OnOff(lo);
            code = field->code;
            break;
        }
    }
    m_sink.UnitChanged(RefOf(unit), code);
    return 1;
}

int CStrobeEventHandler::OnEvent(quint8 subCode, quint8 unitIndex, quint8 value) {
    StudioData* studio = CurrentStudio(*pManager);
    StrobeData* unit = studio != nullptr ? studio->UnitAt(unitIndex) : nullptr;
    if (unit == nullptr) {
        return 1;
    }
    switch (subCode) {
        case ZB_CHARGE:
            unit->bFlashCharge = OnOff(value);
            m_sink.UnitChanged(RefOf(unit), kFieldFlashCharge);
            break;
        case ZB_TEST:
            // The unit fired its test flash: nothing changed, but the views redraw it.
            m_sink.UnitChanged(RefOf(unit), kFieldNone);
            break;
        default:
            break;
    }
    return 1;
}

int CStrobeEventHandler::OnReading(quint8 subCode, quint8 unitIndex, quint8 value) {
    StudioData* studio = CurrentStudio(*pManager);
    StrobeData* unit = studio != nullptr ? studio->UnitAt(unitIndex) : nullptr;
    if (unit == nullptr || subCode != ZB_TEMPERATURE) {
        return 1;
    }
    unit->nTemperature = value;
    m_sink.UnitRead(RefOf(unit), kFieldTemperature);
    return 1;
}
