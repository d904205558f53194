#include "model/StrobeData.h"

#include "model/StudioData.h"

LightNode::LightNode(StrobeData* unit) : StudioNode(kNodeLight), sLightName(kNotDefine) {
    pOwner = unit;
}

StrobeData::StrobeData() : StudioNode(kNodeUnit), sModelName(kNotDefine), lightNode(this) {}

StudioData* StrobeData::Studio() const {
    return static_cast<StudioData*>(pOwner);
}

void ResetStrobeData(StrobeData& unit) {
    unit.nNodeKind = kNodeNone;
    unit.hTreeItem = 0;
    unit.pOwner = nullptr;
    unit.nChNum = 0;
    unit.sChName.clear();
    unit.sModelName = QString::fromLatin1(kNotDefine);
    unit.nFlashValue = 0;
    unit.bFlashCell = 0;
    unit.bFlashSnd = 0;
    unit.bFlashCharge = 1;
    unit.bFlashPow = 1;
    unit.nModelValue = 0;
    unit.nModelMode1 = 0;
    unit.nModelMode2 = 0;
    unit.bModelPow = 1;
    unit.bSelected = 0;
    unit.nTemperature = 0;
    unit.bNoAnswer = 0;
    unit.lightNode.nNodeKind = kNodeNone;
    unit.lightNode.hTreeItem = 0;
    unit.lightNode.pOwner = &unit;
    unit.lightNode.sLightName = QString::fromLatin1(kNotDefine);
    unit.nSerial = 0;
}

void CopySettingFields(StrobeData& to, const StrobeData& from) {
    to.nFlashValue = from.nFlashValue;
    to.bFlashCell = from.bFlashCell;
    to.bFlashSnd = from.bFlashSnd;
    to.bFlashCharge = from.bFlashCharge;
    to.bFlashPow = from.bFlashPow;
    to.nModelValue = from.nModelValue;
    to.nModelMode1 = from.nModelMode1;
    to.nModelMode2 = from.nModelMode2;
    to.bModelPow = from.bModelPow;
}

namespace {

constexpr int kOverheatTemperature = 60;

}  // namespace

UnitCondition ConditionOf(const StrobeData& unit) {
    if (unit.bNoAnswer != 0) {
        return UnitCondition::kNoAnswer;
    }
    if (unit.bFlashPow == 0) {
        return UnitCondition::kOff;
    }
    if (unit.nTemperature >= kOverheatTemperature) {
        return UnitCondition::kOverheat;
    }
    return UnitCondition::kWorking;
}

QString ConditionText(UnitCondition condition) {
    switch (condition) {
        case UnitCondition::kNoAnswer:
            return QStringLiteral("No answer");
        case UnitCondition::kOff:
            return QStringLiteral("OFF");
        case UnitCondition::kOverheat:
            return QStringLiteral("Overheat");
        case UnitCondition::kWorking:
            break;
    }
    return {};
}
