#pragma once

#include <QString>

// Flash and model power are integers in tenths of a displayed step (45 reads 4.5).
inline constexpr int POWER_MIN = 11;
inline constexpr int POWER_MAX = 81;
inline constexpr int OFFSET_LIMIT = 81;
inline constexpr int OFFSET_SLIDER_MIN = 1;
inline constexpr int OFFSET_SLIDER_MAX = 163;
inline constexpr int OFFSET_SLIDER_CENTRE = 82;

int ClampPower(int value);
QString FormatPower(int value);         // "4.5"
QString FormatPowerOffset(int offset);  // "0.7", "-1.5"
QString FormatGridPower(int value);     // "F 4.5", empty at 10 and below

// A spin notification is one step: a negative change (the up arrow) is one step up, a
// positive change one step down, zero nothing. Returns +1, -1 or 0.
int SpinStep(int change);

// Spin step on an absolute power value; partner is the other power, moved with it under the
// Prop link. Returns false, having changed nothing, when value is at the bound.
bool StepPower(int& value, int& partner, int step, bool propLink);

// A slider position on an absolute power value: value takes the position and, under the Prop
// link, partner moves by the same difference, clamped.
void TrackPower(int& value, int& partner, int position, bool propLink);

// Spin step on a power offset of the selected-units panel, within -81..81; the partner
// offset moves by the same step under the panel's Prop link, held at the bound.
bool StepOffset(int& offset, int& partner, int step, bool propLink);

// Slider position on an offset. Under the Prop link the partner offset moves by the same
// difference within -81..81 and its slider position (partnerPosition) within 1..163.
void TrackOffset(int& offset, int& partner, int& partnerPosition, int position, bool propLink);

inline int OffsetToSlider(int offset) {
    return offset + OFFSET_SLIDER_CENTRE;
}
inline int SliderToOffset(int position) {
    return position - OFFSET_SLIDER_CENTRE;
}

// The first tracking position of a relative slider after a release: an accidental +1 from
// the centre is taken back. One state serves both sliders of the panel.
class COffsetTrackSnap {
public:
    // Returns the position to use for this tracking notification.
    int Filter(int position, int currentOffset);
    void Reset() { m_touched = false; }
    bool Touched() const { return m_touched; }

private:
    bool m_touched = false;
};

// A unit value receives an offset change d.
inline int ApplyPowerOffset(int value, int change) {
    return ClampPower(value + change);
}
