#pragma once

#include <QFont>
#include <QString>
#include <QWidget>
#include <memory>

#include "model/FieldCode.h"
#include "panels/CPowerControlSet.h"

class CBusinessMemoryGroup;
class CFrameHost;
class CControlSelFormView;
class CTitleSeparator;
class QComboBox;
class QLabel;
struct StrobeData;

// The Remote Control panel: shows and changes the current unit's settings, hosts the
// selected-units panel behind its combo, and holds the Business Memory group (file list,
// preview, the toolbar's Save and Load). It keeps a copy of what it shows and decides from
// that copy; every change goes panel state, controls, unit record, radio command, then a
// posted notification to the navigation grid.
class CControlFormView : public QWidget {
    Q_OBJECT
public:
    explicit CControlFormView(CFrameHost& host, QWidget* parent = nullptr);
    ~CControlFormView() override;

    // Called once by the main frame after all panes exist.
    void OnInitialUpdate();
    // The tool bar's Save and Load (WM_BM_SAVE, WM_BM_LOAD): the Business Memory group's.
    void SaveMemory();
    void LoadMemory();
    // The grid picked a unit (WM_UNIT_PICKED): the panel shows it.
    void OnUnitPicked();
    // No unit is current any more (WM_PANEL_RESET): the panel starts afresh.
    void Reset();
    // The link opened or closed: Test is greyed without it, so the panel looks again.
    void OnConnectionChanged();

    // Panel state, for tests and the walkthrough.
    int FlashValue() const { return m_nFlashValue; }
    int ModelValue() const { return m_nModelValue; }
    int ComboIndex() const { return m_nComboIndex; }
    CControlSelFormView* SelectionPanel();  // made when first asked for
    const CPowerControlSet& Controls() const { return *m_controls; }

private:
    using Power = CPowerControlSet::Power;

    // The constructor's wiring: what the operator does on the controls, the core's notices.
    void ConnectControls();
    void ConnectCore();
    StrobeData* Unit() const;
    void FitCombo();
    void ShowWhichPanel();
    void ShowEnabling();
    void OnSwitched(FieldCode field, int value);
    int* CopyOf(FieldCode field);
    void FullRefresh();
    void RefreshField(FieldCode field);
    void ResetPanel();
    void ShowFlashValue();
    void ShowModelValue();
    void ShowModes();
    // Runs a command of the unit core for the panel's own change.
    template <class Command>
    void Commit(Command command);
    void OnSpin(Power power, int change, int heldPress);
    void OnSliderTrack(Power power, int position);
    void OnSliderRelease(Power power);
    void CommitPower(StrobeData& unit, bool flash, bool propLink);
    void OnCombo(int index);

    CFrameHost& m_host;
    CControlSelFormView* m_selPanel = nullptr;  // child widget, made when first shown
    int m_nComboIndex = 0;
    QFont m_largeFont;
    QFont m_heavyFont;
    CTitleSeparator* m_title;
    QLabel* m_emptyStatic;  // says why the panel is greyed while no unit is current
    QComboBox* m_combo;
    std::unique_ptr<CPowerControlSet> m_controls;

    int m_nFlashValue = 0;
    int m_bCell = 0;
    int m_bSound = 0;
    int m_bPower = 0;
    int m_nModelValue = 0;
    int m_nMode1 = 0;
    int m_nMode2 = 0;
    int m_bModelOff = 0;

    std::unique_ptr<CBusinessMemoryGroup> m_memory;
    bool m_showsUnit = false;  // a unit's settings are shown, not the reset panel
    bool m_initialised = false;
    bool m_committing = false;  // while the panel's own command runs
    int m_gesture = 0;          // of the held arrow whose steps go out now; 0 for none
};
