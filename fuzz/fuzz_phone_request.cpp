// Arbitrary bytes as a message from a phone's page. Reading never crashes, refuses with a
// reason or accepts with what its kind needs, and accepts nothing longer than the limit.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "control/MeterStep.h"
#include "phone/PhoneRequest.h"

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// f/0.5 .. f/128 with a meter's tenths either side.
constexpr int kLowestTenths = -20 - 9;
constexpr int kHighestTenths = 140 + 9;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const PhoneRequest request = ParseRequest(bytes);
    Require(request.Ok() == request.error.isEmpty(), "a refusal says why, an acceptance does not");
    Require(!request.Ok() || bytes.size() <= kMaxRequestBytes, "nothing over the limit is read");
    if (request.kind == PhoneRequest::Kind::kMeter) {
        for (int tenths : {request.readingTenths, request.wantedTenths}) {
            Require(tenths >= kLowestTenths && tenths <= kHighestTenths, "an aperture a lens has");
        }
        const MeterStep step = MeterPower(45, request.readingTenths, request.wantedTenths);
        Require(step.flashTenths >= 11 && step.flashTenths <= 81, "the power within the unit's");
    }
    if (request.kind == PhoneRequest::Kind::kHello) {
        Require(request.code.isEmpty() != request.token.isEmpty(), "a hello brings one secret");
    }
    // The same text as a meter's reading.
    if (const auto tenths = ApertureTenths(QString::fromUtf8(bytes.left(64)))) {
        Require(*tenths >= kLowestTenths && *tenths <= kHighestTenths, "a reading a meter shows");
    }
    return 0;
}
