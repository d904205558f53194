#include "model/PowerValue.h"

#include <algorithm>

int ClampPower(int value) {
    return std::clamp(value, POWER_MIN, POWER_MAX);
}

QString FormatPower(int value) {
    return QStringLiteral("%1.%2").arg(value / 10).arg(value % 10);
}

QString FormatPowerOffset(int offset) {
    if (offset >= 0) {
        return FormatPower(offset);
    }
    return QStringLiteral("-%1.%2").arg((-offset) / 10).arg((-offset) % 10);
}

QString FormatGridPower(int value) {
    if (value <= 10) {
        return {};
    }
    return QStringLiteral("F %1.%2").arg(value / 10).arg(value % 10);
}

int SpinStep(int change) {
    if (change < 0) {
        return 1;
    }
    return change > 0 ? -1 : 0;
}

bool StepPower(int& value, int& partner, int step, bool propLink) {
    if (step > 0) {
        if (value >= POWER_MAX) {
            return false;
        }
        ++value;
        if (propLink) {
            partner = std::min(partner + 1, POWER_MAX);
        }
        return true;
    }
    if (step < 0) {
        if (value <= POWER_MIN) {
            return false;
        }
        --value;
        if (propLink) {
            partner = std::max(partner - 1, POWER_MIN);
        }
        return true;
    }
    return false;
}

void TrackPower(int& value, int& partner, int position, bool propLink) {
    const int change = position - value;
    value = position;
    if (propLink) {
        partner = ClampPower(partner + change);
    }
}

bool StepOffset(int& offset, int& partner, int step, bool propLink) {
    if (step > 0) {
        if (offset >= OFFSET_LIMIT) {
            return false;
        }
        ++offset;
        if (propLink) {
            partner = std::min(partner + 1, OFFSET_LIMIT);
        }
        return true;
    }
    if (step < 0) {
        if (offset <= -OFFSET_LIMIT) {
            return false;
        }
        --offset;
        if (propLink) {
            partner = std::max(partner - 1, -OFFSET_LIMIT);
        }
        return true;
    }
    return false;
}

void TrackOffset(int& offset, int& partner, int& partnerPosition, int position, bool propLink) {
    const int newOffset = SliderToOffset(position);
    const int change = newOffset - offset;
    offset = newOffset;
    if (propLink) {
        partner = std::clamp(partner + change, -OFFSET_LIMIT, OFFSET_LIMIT);
        partnerPosition =
            std::clamp(partnerPosition + change, OFFSET_SLIDER_MIN, OFFSET_SLIDER_MAX);
    }
}

int COffsetTrackSnap::Filter(int position, int currentOffset) {
    if (m_touched) {
        return position;
    }
    m_touched = true;
    if (position == OFFSET_SLIDER_CENTRE + 1 && currentOffset == 0) {
        return OFFSET_SLIDER_CENTRE;
    }
    return position;
}
