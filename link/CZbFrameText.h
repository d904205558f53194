#pragma once

#include <QtGlobal>
#include <chrono>
#include <cstddef>
#include <string>

// Readable forms of frames for the traces of the program and of the simulator: one line per
// frame, from the bytes alone, so a trace shows what was on the wire even when a frame is
// malformed.
class CZbFrameText {
public:
    // "FF 07 13 00 01 2D 32"
    static std::string Hex(const quint8* bytes, std::size_t count);
    // What a whole frame means: type, units addressed, fields and values, or why it is
    // not understood.
    static std::string Describe(const quint8* frame, std::size_t count);
    // "junk (3 bytes outside any frame)"
    static std::string Junk(std::size_t count);
    // "  12.345678 in   FF 05 00 00 43  | select group C"; at is the time since the trace began.
    static std::string Line(std::chrono::nanoseconds at, const char* direction,
                            const std::string& hex, const std::string& meaning);
    // "0,3,9", "all", "none"
    static std::string UnitList(quint16 mask);
};
