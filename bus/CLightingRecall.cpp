#include "bus/CLightingRecall.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>

#include "control/CCommandHost.h"
#include "control/CUnitControl.h"
#include "host/CFrameHost.h"
#include "model/SettingField.h"
#include "model/StudioManager.h"
#include "panels/MemoryPreview.h"
#include "store/CXmlStore.h"

namespace {

using Outcome = CCommandDesk::Outcome;
using Refusal = CCommandDesk::Refusal;

constexpr int kTenthsPerStep = 10;

// A switch is true or false, a mode its word ("Free"), as the desk's unit state gives them;
// -1 for anything else.
int FieldValue(FieldCode field, const QJsonValue& value) {
    const bool isSwitch = SettingWord(field, 1) == QLatin1String("on");
    if (isSwitch) {
        return value.isBool() ? int(value.toBool()) : -1;
    }
    for (int code : {0, 1}) {
        if (value.toString().compare(SettingWord(field, code), Qt::CaseInsensitive) == 0) {
            return code;
        }
    }
    return -1;
}

bool ReadUnit(const QJsonObject& json, StrobeData& unit, QString& error) {
    const QJsonValue flash = json.value(QStringLiteral("flash"));
    const QJsonValue model = json.value(QStringLiteral("model"));
    if (!flash.isDouble() || !model.isDouble() || std::fabs(flash.toDouble()) > 1000.0 ||
        std::fabs(model.toDouble()) > 1000.0) {
        error = QStringLiteral("%1 has no flash and model power").arg(unit.sChName);
        return false;
    }
    unit.nFlashValue = static_cast<int>(std::lround(flash.toDouble() * kTenthsPerStep));
    unit.nModelValue = static_cast<int>(std::lround(model.toDouble() * kTenthsPerStep));
    for (const QString& word : CCommandDesk::SettingNames()) {
        const FieldCode field = CCommandDesk::FieldOfSetting(word);
        const int code = FieldValue(field, json.value(word));
        if (code < 0) {
            error = QStringLiteral("%1 has no %2").arg(unit.sChName, word);
            return false;
        }
        unit.*SettingFieldOf(field)->member = code;
    }
    unit.sModelName = json.value(QStringLiteral("name")).toString().left(kMaxNameLength);
    unit.lightNode.sLightName = json.value(QStringLiteral("light")).toString().left(kMaxNameLength);
    return true;
}

}  // namespace

std::unique_ptr<StudioData> LightingAsMemory(const QJsonObject& lighting, QString& error) {
    auto memory = std::make_unique<StudioData>(-1, QString());
    const QJsonArray units = lighting.value(QStringLiteral("units")).toArray();
    if (units.isEmpty()) {
        error = QStringLiteral("The picture holds no units");
        return nullptr;
    }
    for (const QJsonValue& value : units) {
        const QJsonObject json = value.toObject();
        const QString name = json.value(QStringLiteral("unit")).toString();
        int slot = -1;
        for (int s = 0; s < kSlotCount; ++s) {
            if (SlotLabelOf(s) == name) {
                slot = s;
            }
        }
        if (slot < 0 || memory->UnitAt(slot) != nullptr) {
            error = QStringLiteral("The picture names unit \"%1\" wrongly").arg(name.left(20));
            return nullptr;
        }
        auto unit = std::make_unique<StrobeData>();
        unit->sChName = name;
        unit->nChNum = slot;
        if (!ReadUnit(json, *unit, error)) {
            return nullptr;
        }
        PlaceUnit(*memory, slot, std::move(unit));
    }
    return memory;
}

CCommandDesk::Outcome RecallLighting(CCommandDesk& desk, CFrameHost& frame,
                                     const QString& lighting) {
    CCommandHost& host = desk.Host();
    if (!host.IsConnected()) {
        return {Refusal::kNotConnected, QStringLiteral("Not connected")};
    }
    if (host.IsBusy()) {
        return {Refusal::kBusy, QStringLiteral("Busy at the computer")};
    }
    StudioData* studio = CurrentStudio(frame.Manager());
    if (studio == nullptr) {
        return {Refusal::kRefused, QStringLiteral("No studio is shown at the computer")};
    }
    QString error;
    const QJsonObject json = QJsonDocument::fromJson(lighting.toUtf8()).object();
    const std::unique_ptr<StudioData> memory = LightingAsMemory(json, error);
    if (!memory) {
        return {Refusal::kBadValue, error};
    }
    if (const QString fault = MemoryFault(*memory); !fault.isEmpty()) {
        return {Refusal::kBadValue, fault + QStringLiteral("; nothing was sent")};
    }
    if (!frame.AskOperator(
            QStringLiteral("Current setting is replaced by the lighting of the "
                           "picture. Do you want to recall it?"),
            QStringLiteral("Recall lighting"), true,
            MemoryPreview(*studio, *memory, MemoryPreviewKind::kApply).join(u'\n'))) {
        return {Refusal::kRefused, QString::fromLatin1(kRecallCancelled)};
    }
    // Named after the picture, so that the history and the next picture's sidecar say where
    // the lighting came from.
    const QString picture = json.value(QStringLiteral("picture")).toString().left(kMaxNameLength);
    frame.Control().ApplyMemory(*studio, *memory,
                                picture.isEmpty() ? QStringLiteral("a picture's lighting")
                                                  : QStringLiteral("lighting of %1").arg(picture));
    return {};
}
