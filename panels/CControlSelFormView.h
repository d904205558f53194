#pragma once

#include <QFont>
#include <QWidget>
#include <memory>
#include <vector>

#include "model/FieldCode.h"
#include "model/PowerValue.h"
#include "panels/CPowerControlSet.h"

class CFrameHost;
class QSlider;
struct StrobeData;

// The selected-units panel: changes every unit ticked in the navigation grid at once. Its
// power controls hold offsets (totals since the last reset) and each application sends only
// the change since the previous one; switches and modes set the same state on every ticked
// unit. Hosted and reset by the Remote Control panel.
class CControlSelFormView : public QWidget {
    Q_OBJECT
public:
    explicit CControlSelFormView(CFrameHost& host, QWidget* parent = nullptr);
    ~CControlSelFormView() override;

    // Back to offsets 0.0, every box clear, both modes neither.
    void Reset();

    // The panel state, for the host panel and for tests.
    int FlashOffset() const { return m_nFlashOffset; }
    int ModelOffset() const { return m_nModelOffset; }
    int Mode1() const { return m_nMode1; }
    int Mode2() const { return m_nMode2; }
    const CPowerControlSet& Controls() const { return *m_controls; }

    // The ticked units of the grid, in grid order.
    std::vector<StrobeData*> SelectedUnits() const;

private:
    using Power = CPowerControlSet::Power;

    void OnSpin(Power trigger, int change);
    // snap: the first-drag snap applies (a mouse drag, not a key).
    void OnSliderTrack(Power trigger, int position, bool snap = true);
    void OnSliderRelease(Power trigger);
    void Apply(Power trigger);
    void ShowOffsets();

    // A switch or mode: set the field on every ticked unit, then one frame to all of them.
    void ApplySwitch(FieldCode field, int value);
    void OnSwitched(FieldCode field, int value);
    // One test flash for every ticked unit.
    void TestSelected();

    CFrameHost& m_host;
    std::unique_ptr<CPowerControlSet> m_controls;
    QFont m_largeFont;
    QFont m_heavyFont;

    int m_nFlashOffset = 0;
    int m_bCell = 0;
    int m_bSound = 0;
    int m_bPower = 0;
    int m_nModelOffset = 0;
    int m_nMode1 = -1;  // -1 neither, 0 Free, 1 Prop (links the two offsets)
    int m_nMode2 = -1;  // -1 neither, 0 Flash Prop, 1 Continous
    int m_bModelOff = 0;
    COffsetTrackSnap m_trackSnap;
    int m_nLastFlashOffset = 0;
    int m_nLastModelOffset = 0;
};
