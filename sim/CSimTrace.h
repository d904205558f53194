#pragma once

#include <QtGlobal>
#include <cstddef>
#include <string>

#include "sim/SimUnit.h"

// Readable forms of frames for the trace: one line per frame, from the bytes alone, so the
// trace shows what was on the wire even when a frame is malformed.
class CSimTrace {
public:
    // "FF 07 13 00 01 2D 32"
    static std::string Hex(const quint8* bytes, std::size_t count);
    // What a whole frame means: type, units addressed, fields and values, or why it is
    // not understood.
    static std::string Describe(const quint8* frame, std::size_t count);
    // "  12.345678 in  FF 05 00 00 43  select group C"
    static std::string Line(SimTime at, const char* direction, const std::string& hex,
                            const std::string& meaning);
    // "0,3,9", "all", "none"
    static std::string UnitList(quint16 mask);
};
