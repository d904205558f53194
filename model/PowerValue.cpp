#include "model/PowerValue.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string>

int ClampPower(int value) {
    return std::clamp(value, POWER_MIN, POWER_MAX);
}

namespace {

// prefix, then tenths >= 0 as "4.5". Written digit by digit: a spin step and every report the
// grid shows word a value, and QString::arg costs ten times as much. Wide enough for the
// lowest int's magnitude.
QString Tenths(const char* prefix, long long tenths) {
    std::array<char, 32> text{};
    char* end = std::copy(prefix, prefix + std::char_traits<char>::length(prefix), text.data());
    end = std::to_chars(end, text.data() + text.size() - 2, tenths / 10).ptr;
    *end++ = '.';
    *end++ = static_cast<char>('0' + tenths % 10);
    return QString::fromLatin1(text.data(), end - text.data());
}

}  // namespace

QString FormatPower(int value) {
    if (value < 0) {
        // Never a setting; worded as it always was.
        return QStringLiteral("%1.%2").arg(value / 10).arg(value % 10);
    }
    return Tenths("", value);
}

QString FormatPowerOffset(int offset) {
    if (offset >= 0) {
        return FormatPower(offset);
    }
    return Tenths("-", -static_cast<long long>(offset));
}

QString FormatGridPower(int value) {
    if (value <= 10) {
        return {};
    }
    return Tenths("F ", value);
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
