#pragma once

#include <QFont>
#include <QString>
#include <QWidget>
#include <memory>

class CBusinessMemoryGroup;
class CFrameHost;
class CControlSelFormView;
class CPowerControlSet;
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
    enum EnableMode : int {
        kModeAllDisabled = 0,
        kModeAllEnabled = 1,
        kModeReset = 2,
        kModeSingleShown = 3,
        kModeSelectionShown = 4,
        kModePowerOnly = 5,
        kModeFollowPower = 6,
    };

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

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    enum class Power { Flash, Model };

    // The constructor's wiring: the power controls, the switches and modes, the core's notices.
    void ConnectPowers();
    void ConnectSwitches();
    void ConnectCore();
    StrobeData* Unit() const;
    void FitCombo();
    void SetEnableMode(int mode);
    void FullRefresh();
    void RefreshField(int fieldCode);
    void ResetPanel();
    void ShowFlashValue();
    void ShowModelValue();
    void ShowModes();
    // Runs a command of the unit core for the panel's own change.
    template <class Command>
    void Commit(Command command);
    // Whether a unit notice is about the unit shown (a notice naming no unit is).

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
    bool m_initialised = false;
    bool m_committing = false;  // while the panel's own command runs
    int m_gesture = 0;          // of the held arrow whose steps go out now; 0 for none
};
