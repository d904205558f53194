#include "sim/SimUnit.h"

SimUnit MakeDefaultUnit(int group, int index) {
    SimUnit unit;
    unit.flash = 45 + (index * 7 + group * 3) % 20;
    unit.model = 50 + (index * 5 + group * 2) % 20;
    unit.cell = index % 3 == 1 ? 1 : 0;
    unit.sound = index % 4 == 2 ? 1 : 0;
    unit.mode1 = index % 2;
    unit.mode2 = (index / 2) % 2;
    unit.modelPow = index == 7 ? 0 : 1;
    return unit;
}

int SimFieldValue(const SimUnit& unit, SimField field) {
    switch (field) {
        case SimField::kFlash:
            return unit.flash;
        case SimField::kModel:
            return unit.model;
        case SimField::kCell:
            return unit.cell;
        case SimField::kSound:
            return unit.sound;
        case SimField::kMode1:
            return unit.mode1;
        case SimField::kMode2:
            return unit.mode2;
        case SimField::kModelPow:
            return unit.modelPow;
        case SimField::kFlashPow:
            return unit.flashPow;
    }
    return 0;
}

void SetSimField(SimUnit& unit, SimField field, int value) {
    const int flag = value != 0 ? 1 : 0;
    switch (field) {
        case SimField::kFlash:
            unit.flash = value;
            break;
        case SimField::kModel:
            unit.model = value;
            break;
        case SimField::kCell:
            unit.cell = flag;
            break;
        case SimField::kSound:
            unit.sound = flag;
            break;
        case SimField::kMode1:
            unit.mode1 = flag;
            break;
        case SimField::kMode2:
            unit.mode2 = flag;
            break;
        case SimField::kModelPow:
            unit.modelPow = flag;
            break;
        case SimField::kFlashPow:
            unit.flashPow = flag;
            break;
    }
}
