// Arbitrary received bytes through the assembler, the decoder and the report handler over a
// live model. After every report the model must still hold together, every message must name
// a live unit, and the reader's fast runs must cut the stream exactly as byte-by-byte feeding.
// No report leaves a power a unit cannot hold, and every frame built from what the reports
// left has every field in its range.
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "FrameFieldCheck.h"
#include "link/AppMessages.h"
#include "link/CPortWriter.h"
#include "link/CStrobeEventHandler.h"
#include "link/CUnitReportSink.h"
#include "link/CZbEventHandler.h"
#include "link/CZbFrameReader.h"
#include "link/CZbProtocol.h"
#include "model/FieldCode.h"
#include "model/PowerValue.h"
#include "model/StudioManager.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

void Require(bool condition, const char* what) {
    if (!condition) {
        Fail(what);
    }
}

class CNullPort : public CPortWriter {
public:
    int WritePort(const quint8*, int count) override { return count; }
};

// Keeps a readable line per report, to compare two ways of feeding the same bytes.
class CDigestHandler : public CZbEventHandler {
public:
    int OnStatus(int unitIndex, const StrobeData& s) override {
        Add("S", unitIndex, s.bFlashPow, s.nFlashValue, s.nModelValue, s.bFlashCell, s.bFlashSnd,
            s.nModelMode1, s.nModelMode2, s.bModelPow, s.bFlashCharge, s.nChNum);
        return 1;
    }
    int OnSetting(quint8 subCode, quint8 unitIndex, quint16 value, const quint8* frame) override {
        Add("T", subCode, unitIndex, value);
        if (frame != nullptr) {
            for (int i = 3; i < 23; ++i) {
                Add("", frame[i]);
            }
        }
        return 1;
    }
    int OnEvent(quint8 subCode, quint8 unitIndex, quint8 value) override {
        Add("E", subCode, unitIndex, value);
        return 1;
    }
    int OnReading(quint8 subCode, quint8 unitIndex, quint8 value) override {
        Add("R", subCode, unitIndex, value);
        return 1;
    }
    std::string text;

private:
    template <class... T>
    void Add(const char* tag, T... values) {
        text += tag;
        ((text += ' ', text += std::to_string(values)), ...);
        text += '\n';
    }
};

void CheckModel(const StudioManager& m) {
    auto checkStudio = [](const StudioData& studio) {
        int used = 0;
        for (int i = 0; i < kSlotCount; ++i) {
            const StrobeData* unit = studio.pUnits[i].get();
            Require((studio.bSlotUsed[i] != 0) == (unit != nullptr), "slot flag and unit agree");
            if (unit == nullptr) {
                continue;
            }
            ++used;
            Require(unit->nChNum == i, "nChNum is the slot");
            Require(unit->sChName == SlotLabelOf(i), "sChName is the slot label");
            Require(unit->pOwner == &studio, "unit owned by its studio");
            Require(unit->lightNode.pOwner == unit, "light node owned by its unit");
            Require(unit->nTemperature >= 0 && unit->nTemperature <= 255, "temperature 0..255");
            for (const int power : {unit->nFlashValue, unit->nModelValue}) {
                Require(power == 0 || (power >= POWER_MIN && power <= POWER_MAX),
                        "powers never set or within 1.1 .. 8.1");
            }
        }
        Require(studio.nChItemCnt == used, "nChItemCnt counts the used slots");
    };
    for (const auto& s : m.studios) {
        checkStudio(*s);
    }
    checkStudio(*m.memoryStudio);
}

// Forwards to the real handler, then checks the model after every report.
class CCheckingHandler : public CZbEventHandler {
public:
    CCheckingHandler(CZbEventHandler& inner, CDigestHandler& digest, const StudioManager& m)
        : m_inner(inner), m_digest(digest), m_manager(m) {}
    int OnStatus(int unitIndex, const StrobeData& status) override {
        m_digest.OnStatus(unitIndex, status);
        return After(m_inner.OnStatus(unitIndex, status));
    }
    int OnSetting(quint8 subCode, quint8 unitIndex, quint16 value, const quint8* frame) override {
        m_digest.OnSetting(subCode, unitIndex, value, frame);
        return After(m_inner.OnSetting(subCode, unitIndex, value, frame));
    }
    int OnEvent(quint8 subCode, quint8 unitIndex, quint8 value) override {
        m_digest.OnEvent(subCode, unitIndex, value);
        return After(m_inner.OnEvent(subCode, unitIndex, value));
    }
    int OnReading(quint8 subCode, quint8 unitIndex, quint8 value) override {
        m_digest.OnReading(subCode, unitIndex, value);
        return After(m_inner.OnReading(subCode, unitIndex, value));
    }

private:
    int After(int result) {
        Require(result == 1, "handler returns 1");
        CheckModel(m_manager);
        return result;
    }
    CZbEventHandler& m_inner;
    CDigestHandler& m_digest;
    const StudioManager& m_manager;
};

// The unit core's side: every notice must name a live unit of the current studio, at once.
class CFrameStandIn : public CUnitReportSink {
public:
    CFrameStandIn(const StudioManager& m, const StudioData* current)
        : m_manager(m), m_current(current) {}
    int messages = 0;

    void UnitPlaced(const UnitRef& unit) override { Check(unit); }
    void UnitReported(const UnitRef& unit) override { Check(unit); }
    void UnitChanged(const UnitRef& unit, FieldCode field) override {
        Check(unit);
        Require(field >= kFieldNone && field <= kFieldFlashCharge && field != 3, "field code");
    }
    void UnitRead(const UnitRef& unit, FieldCode field) override {
        Check(unit);
        Require(field == kFieldTemperature, "a reading is the temperature");
    }

private:
    void Check(const UnitRef& ref) {
        ++messages;
        Require(m_current != nullptr, "no notice without a current studio");
        const StrobeData* unit = m_manager.Resolve(ref);
        Require(unit != nullptr, "notice names a live unit");
        Require(unit->pOwner == m_current, "notice names a unit of the current studio");
        Require(ref.nSlot == unit->nChNum, "the slot is the unit index");
    }

    const StudioManager& m_manager;
    const StudioData* m_current;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

// Byte 0 chooses the scene: bits 0-2 the current node (none, a studio, a unit, a light name,
// the preview studio), bits 3-6 the size of the deliveries. The rest is the received stream.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const int scene = data[0] & 0x07;
    const int delivery = 1 + ((data[0] >> 3) & 0x0F) * 8;
    const auto* stream = reinterpret_cast<const quint8*>(data + 1);
    const int length = static_cast<int>(size - 1);

    StudioManager manager;
    StrobeData* known[3] = {};
    const int knownSlots[3] = {0, 3, 9};
    for (int k = 0; k < 3; ++k) {
        known[k] = PlaceUnit(manager, 1, knownSlots[k], std::make_unique<StrobeData>());
        known[k]->nFlashValue = 30 + k;
    }
    switch (scene) {
        case 0:
            manager.currentNode = nullptr;
            break;
        case 1:
            manager.currentNode = known[1];
            break;
        case 2:
            manager.currentNode = &known[2]->lightNode;
            break;
        case 3:
            manager.currentNode = manager.memoryStudio.get();
            break;
        default:
            manager.currentNode = manager.studios[scene - 3].get();
            break;
    }
    manager.activeStudio = manager.studios[4].get();
    const StudioNode* currentBefore = manager.currentNode;
    const StudioData* current = CurrentStudio(manager);

    CFrameStandIn frame(manager, current);
    CNullPort port;
    CStrobeEventHandler real(frame, manager);
    CDigestHandler bulkDigest;
    CCheckingHandler checking(real, bulkDigest, manager);
    CZbProtocol protocol(checking, port);
    CZbFrameReader reader(protocol);

    for (int at = 0; at < length; at += delivery) {
        reader.Feed(stream + at, std::min(delivery, length - at));
        Require(reader.nCount >= 0 && reader.nCount <= ZB_FRAME_MAX, "reader within its buffer");
        // The event loop runs between deliveries.
        QCoreApplication::sendPostedEvents();
    }
    CheckModel(manager);
    Require(manager.currentNode == currentBefore, "reports never move the current node");
    Require(manager.activeStudio == manager.studios[4].get(), "reports never move activeStudio");
    if (current == nullptr) {
        Require(frame.messages == 0, "no current studio: no message");
        for (int k = 0; k < 3; ++k) {
            Require(known[k]->nFlashValue == 30 + k, "no current studio: units untouched");
        }
        for (const auto& s : manager.studios) {
            Require(s->nChItemCnt == (s.get() == manager.studios[1].get() ? 3 : 0),
                    "no current studio: no unit placed");
        }
    }

    // Every command built from what the reports left keeps each field in its range.
    frame_check::CCheckingPort checkingPort;
    CZbProtocol builder(checking, checkingPort);
    for (int studio = -1; studio <= kStudioCount; ++studio) {
        builder.SelectStudio(studio);
    }
    for (const auto& studio : manager.studios) {
        builder.SendPowerPairs(ZB_FLASH_TABLE, studio.get());
        builder.SendPowerPairs(ZB_MODEL_TABLE, studio.get());
        for (int i = 0; i < kSlotCount; ++i) {
            const StrobeData* unit = studio->UnitAt(i);
            if (unit == nullptr) {
                continue;
            }
            builder.SendUnitSettings(0, unit);
            // A mask from the input, wild bits and all.
            builder.SendUnitSettings(static_cast<quint16>(data[i % size] << 8 | data[0]), unit);
            for (quint8 sub = 0; sub < 16; ++sub) {
                builder.SendUnitCommand(sub, 0, unit);
            }
        }
    }
    Require(checkingPort.frames >= kStudioCount, "every studio select was written");

    // The same bytes one at a time, as the ring is drained, must decode identically.
    CDigestHandler singleDigest;
    CZbProtocol singleProtocol(singleDigest, port);
    CZbFrameReader singleReader(singleProtocol);
    for (int i = 0; i < length; ++i) {
        singleReader.Feed(stream[i]);
    }
    Require(singleDigest.text == bulkDigest.text, "runs and single bytes decode alike");
    Require(singleReader.nState == reader.nState && singleReader.nCount == reader.nCount &&
                singleReader.frame == reader.frame,
            "runs and single bytes leave the same reader state");
    return 0;
}
