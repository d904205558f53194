// Arbitrary bytes as a picture's XMP sidecar. Reading either refuses with a reason or gives a
// lighting; a lighting read merges back into the same sidecar and reads back the same; any
// sidecar that is merged into keeps the lighting merged.
#include <QJsonArray>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bus/LightingSidecar.h"

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

const QJsonObject& KnownLighting() {
    static const QJsonObject lighting{
        {QStringLiteral("studio"), QStringLiteral("A")},
        {QStringLiteral("time"), QStringLiteral("2026-01-02T03:04:05")},
        {QStringLiteral("units"),
         QJsonArray{QJsonObject{{QStringLiteral("unit"), QStringLiteral("CH-03")},
                                {QStringLiteral("flash"), 4.5},
                                {QStringLiteral("model"), 3.0},
                                {QStringLiteral("mode"), QStringLiteral("Free")},
                                {QStringLiteral("lamp"), true}}}},
    };
    return lighting;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string packet(reinterpret_cast<const char*>(data), size);
    QJsonObject lighting;
    QString error;
    const bool read = LightingSidecar::ReadLighting(packet, lighting, error);
    Require(read || !error.isEmpty(), "a refusal says why");
    if (read) {
        Require(!lighting.value(QStringLiteral("units")).toArray().isEmpty(),
                "a lighting has units");
        std::string merged;
        Require(LightingSidecar::MergeInto(packet, lighting, merged, error), "merge what was read");
        QJsonObject again;
        Require(LightingSidecar::ReadLighting(merged, again, error), "read what was merged");
        // A field the sidecar lacked is written empty (or False); every field it had stays.
        const QJsonArray before = lighting.value(QStringLiteral("units")).toArray();
        const QJsonArray after = again.value(QStringLiteral("units")).toArray();
        Require(before.size() == after.size(), "as many units read back");
        for (qsizetype i = 0; i < before.size(); ++i) {
            const QJsonObject unit = before[i].toObject();
            for (auto it = unit.begin(); it != unit.end(); ++it) {
                const QJsonValue back = after[i].toObject().value(it.key());
                // Powers are kept in tenths, as the units take them.
                Require(it.value().isDouble()
                            ? std::fabs(back.toDouble() - it.value().toDouble()) <=
                                  0.05 + 1e-9 * std::fabs(it.value().toDouble())
                            : back == it.value(),
                        "a unit's field read back");
            }
        }
    }
    std::string merged;
    error.clear();
    if (LightingSidecar::MergeInto(packet, KnownLighting(), merged, error)) {
        QJsonObject again;
        Require(LightingSidecar::ReadLighting(merged, again, error), "read a merged sidecar");
        Require(again.value(QStringLiteral("units")).toArray().size() == 1, "one unit merged");
    } else {
        Require(!error.isEmpty(), "a refused merge says why");
    }
    return 0;
}
