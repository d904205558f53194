#pragma once

#include <QtGlobal>

// Unit index 0..4 is mask bit 0..4, 5..9 is bit 8..12, 11 (all units) is 0x8080; any other
// index has mask 0.
quint16 UnitMaskOf(int unitIndex);
// The lowest addressed unit 0..9, else 11 for the all-units bits, else -1.
int UnitIndexOf(quint16 mask);
