#include "control/CUnitControl.h"

#include <map>

#include "link/CZbProtocol.h"
#include "link/UnitMask.h"
#include "link/ZbConstants.h"
#include "model/PowerValue.h"
#include "model/StudioManager.h"
#include "store/CXmlStore.h"

namespace {

// The sub-code of the single-setting frame that carries field; 0 for none.
quint8 SubCodeOf(FieldCode field) {
    const SettingField* setting = SettingFieldOf(field);
    return setting != nullptr ? setting->subCode : 0;
}

UnitChange::Unit Before(const StrobeData& unit) {
    UnitChange::Unit entry;
    entry.ref = RefOf(&unit);
    entry.before = SettingValuesOf(unit);
    entry.after = entry.before;
    return entry;
}

void TakeAfter(UnitChange::Unit& entry, const StrobeData& unit) {
    entry.after = SettingValuesOf(unit);
}

UnitChange::Names NamesBefore(const StrobeData& unit) {
    return {unit.sModelName, unit.sModelName, unit.lightNode.sLightName, unit.lightNode.sLightName};
}

void TakeNamesAfter(UnitChange::Names& names, const StrobeData& unit) {
    names.nameAfter = unit.sModelName;
    names.lightAfter = unit.lightNode.sLightName;
}

int StudioNumOf(const StrobeData& unit) {
    const StudioData* studio = unit.Studio();
    return studio != nullptr ? studio->nStudioNum : -1;
}

}  // namespace

CUnitControl::CUnitControl(StudioManager& manager, QObject* parent)
    : QObject(parent), m_manager(manager) {}

void CUnitControl::SetPower(StrobeData& unit, Power moved, int flash, int model, bool propLink,
                            int gesture) {
    const bool isFlash = moved == Power::kFlash;
    UnitChange change;
    change.kind = UnitChange::Kind::kPower;
    change.studioNum = StudioNumOf(unit);
    change.field = isFlash ? kFieldFlashValue : kFieldModelValue;
    change.gesture = gesture;
    UnitChange::Unit entry = Before(unit);
    // Only what the control moved, and its partner under the Prop link.
    if (isFlash || propLink) {
        unit.nFlashValue = flash;
    }
    if (!isFlash || propLink) {
        unit.nModelValue = model;
    }
    Finish(change, entry, unit);
}

void CUnitControl::SetSetting(StrobeData& unit, FieldCode field, int value) {
    const SettingField* setting = SettingFieldOf(field);
    if (setting == nullptr || SubCodeOf(field) == 0) {
        return;
    }
    UnitChange change;
    change.kind = UnitChange::Kind::kSetting;
    change.studioNum = StudioNumOf(unit);
    change.field = field;
    UnitChange::Unit entry = Before(unit);
    unit.*setting->member = value;
    Finish(change, entry, unit);
}

void CUnitControl::Finish(UnitChange& change, UnitChange::Unit entry, StrobeData& unit) {
    // The frame first: what the change keeps for its history is made after the write.
    StrobeData* const one[] = {&unit};
    Send(change, one);
    TakeAfter(entry, unit);
    change.units.push_back(entry);
    Tell(change, one);
    change.origin = m_origin;
    emit changed(change);
}

void CUnitControl::Test(StrobeData& unit, quint16 mask) {
    m_protocol->SendUnitCommand(ZB_TEST, mask, &unit);
}

void CUnitControl::ApplyOffsets(std::vector<StrobeData*> units, Power trigger, int flashChange,
                                int modelChange) {
    UnitChange change;
    change.kind = UnitChange::Kind::kTickedPower;
    change.field = trigger == Power::kFlash ? kFieldFlashValue : kFieldModelValue;
    for (StrobeData* unit : units) {
        change.studioNum = StudioNumOf(*unit);
        change.units.push_back(Before(*unit));
        // A unit in Prop mode takes either control's change on both of its values.
        const bool unitProp = unit->nModelMode1 == 1;
        const int toFlash = unitProp && trigger == Power::kModel ? modelChange : flashChange;
        const int toModel = unitProp && trigger == Power::kFlash ? flashChange : modelChange;
        unit->nFlashValue = ApplyPowerOffset(unit->nFlashValue, toFlash);
        unit->nModelValue = ApplyPowerOffset(unit->nModelValue, toModel);
        TakeAfter(change.units.back(), *unit);
    }
    if (units.empty()) {
        return;
    }
    Send(change, units);
    Tell(change, units);
    change.origin = m_origin;
    emit changed(change);
}

void CUnitControl::SetTickedSetting(std::vector<StrobeData*> units, FieldCode field, int value) {
    const SettingField* setting = SettingFieldOf(field);
    if (units.empty() || setting == nullptr || SubCodeOf(field) == 0) {
        return;
    }
    UnitChange change;
    change.kind = UnitChange::Kind::kTickedSetting;
    change.field = field;
    for (StrobeData* unit : units) {
        change.studioNum = StudioNumOf(*unit);
        change.units.push_back(Before(*unit));
        unit->*setting->member = value;
        TakeAfter(change.units.back(), *unit);
    }
    Send(change, units);
    Tell(change, units);
    change.origin = m_origin;
    emit changed(change);
}

bool CUnitControl::ApplyMemory(StudioData& studio, const StudioData& memory,
                               const QString& memoryName) {
    UnitChange change;
    change.kind = UnitChange::Kind::kMemory;
    change.studioNum = studio.nStudioNum;
    change.memoryName = memoryName;
    std::vector<StrobeData*> units;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (StrobeData* unit = studio.UnitAt(slot)) {
            change.units.push_back(Before(*unit));
            change.names.push_back(NamesBefore(*unit));
            units.push_back(unit);
        }
    }
    if (!ApplyMemoryStudio(&studio, memory)) {
        return false;
    }
    for (size_t i = 0; i < units.size(); ++i) {
        TakeAfter(change.units[i], *units[i]);
        TakeNamesAfter(change.names[i], *units[i]);
    }
    // The views rebuild the studio before its frames go out.
    Tell(change, units);
    Send(change, units);
    change.origin = m_origin;
    emit changed(change);
    return true;
}

void CUnitControl::Rename(StrobeData& unit, const QString& name) {
    UnitChange change;
    change.kind = UnitChange::Kind::kRename;
    change.studioNum = StudioNumOf(unit);
    change.units.push_back(Before(unit));
    change.names.push_back(NamesBefore(unit));
    unit.sModelName = name;
    TakeNamesAfter(change.names.front(), unit);
    StrobeData* const one[] = {&unit};
    Tell(change, one);
    change.origin = m_origin;
    emit changed(change);
}

void CUnitControl::RenameLight(StrobeData& unit, const QString& lightName) {
    UnitChange change;
    change.kind = UnitChange::Kind::kRename;
    change.studioNum = StudioNumOf(unit);
    change.units.push_back(Before(unit));
    change.names.push_back(NamesBefore(unit));
    unit.lightNode.sLightName = lightName;
    TakeNamesAfter(change.names.front(), unit);
    StrobeData* const one[] = {&unit};
    Tell(change, one);
    change.origin = m_origin;
    emit changed(change);
}

void CUnitControl::MarkAnswering(StrobeData& unit, bool answering) {
    unit.bNoAnswer = answering ? 0 : 1;
    emit answerMarked(RefOf(&unit));
}

bool CUnitControl::Replay(const UnitChange& change, bool undo) {
    std::vector<StrobeData*> units;
    if (!Resolve(change, units)) {
        return false;
    }
    for (size_t i = 0; i < units.size(); ++i) {
        const UnitChange::Unit& entry = change.units[i];
        SetSettingValues(*units[i], undo ? entry.before : entry.after);
    }
    for (size_t i = 0; i < change.names.size() && i < units.size(); ++i) {
        const UnitChange::Names& names = change.names[i];
        units[i]->sModelName = undo ? names.nameBefore : names.nameAfter;
        units[i]->lightNode.sLightName = undo ? names.lightBefore : names.lightAfter;
    }
    if (change.kind == UnitChange::Kind::kMemory) {
        Tell(change, units);
        Send(change, units);
    } else {
        Send(change, units);
        Tell(change, units);
    }
    return true;
}

bool CUnitControl::Resolve(const UnitChange& change, std::vector<StrobeData*>& units) const {
    units.clear();
    for (const UnitChange::Unit& entry : change.units) {
        StrobeData* unit = m_manager.Resolve(entry.ref);
        if (unit == nullptr) {
            return false;
        }
        units.push_back(unit);
    }
    return m_manager.StudioAt(change.studioNum) != nullptr;
}

void CUnitControl::Send(const UnitChange& change, Units units) {
    switch (change.kind) {
        case UnitChange::Kind::kPower:
        case UnitChange::Kind::kSetting:
            m_protocol->SendUnitCommand(SubCodeOf(change.field), 0, units.front());
            break;
        case UnitChange::Kind::kTickedPower:
            m_protocol->SendPowerPairs(
                change.field == kFieldFlashValue ? ZB_FLASH_TABLE : ZB_MODEL_TABLE,
                units.front()->Studio());
            break;
        case UnitChange::Kind::kTickedSetting: {
            // One frame per value the units hold: a change sends one; taking it back may need
            // more, for units that held different values before.
            const int StrobeData::*member = SettingFieldOf(change.field)->member;
            std::map<int, quint16> masks;
            std::map<int, StrobeData*> holders;
            for (StrobeData* unit : units) {
                masks[unit->*member] |= UnitMaskOf(unit->nChNum);
                holders[unit->*member] = unit;
            }
            for (const auto& [value, mask] : masks) {
                m_protocol->SendUnitCommand(SubCodeOf(change.field), mask, holders[value]);
            }
            break;
        }
        case UnitChange::Kind::kMemory:
            for (StrobeData* unit : units) {
                m_protocol->SendUnitSettings(0, unit);
            }
            break;
        case UnitChange::Kind::kRename:
            break;
    }
}

void CUnitControl::Tell(const UnitChange& change, Units units) {
    switch (change.kind) {
        case UnitChange::Kind::kPower:
        case UnitChange::Kind::kSetting:
            emit unitEdited(RefOf(units.front()), change.field);
            break;
        case UnitChange::Kind::kTickedPower:
            emit tickedEdited(kFieldModelValue);
            break;
        case UnitChange::Kind::kTickedSetting:
            emit tickedEdited(change.field);
            break;
        case UnitChange::Kind::kMemory:
            emit memoryApplied(m_manager.StudioAt(change.studioNum));
            break;
        case UnitChange::Kind::kRename:
            emit unitRenamed(RefOf(units.front()));
            break;
    }
}
