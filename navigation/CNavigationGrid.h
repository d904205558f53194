#pragma once

#include <QFont>
#include <QPixmap>
#include <QString>
#include <array>

#include "navigation/CUnitBlockLook.h"
#include "widgets/CGridCtrl.h"

class CFrameHost;
class StudioManager;
struct StrobeData;
struct StudioData;

// The units of one studio, four rows per unit: a spacer, the title with slot label and name,
// and two rows holding the tick box with the unit's status and five status icons. Picking a
// block makes its unit the current unit; ticking boxes marks units for the selected-units
// panel.
class CNavigationGrid : public CGridCtrl {
    Q_OBJECT
public:
    static constexpr int kPlaceholderId = 1004;
    static constexpr int kColCount = 5;
    static constexpr int kRowsPerUnit = 4;

    // The five status icons: where each sits in its block and which unit field it shows.
    enum Icon : int { kIconMode1, kIconMode2, kIconCell, kIconSound, kIconCharge, kIconCount };

    explicit CNavigationGrid(CFrameHost& host, QWidget* parent = nullptr);

    void ShowStudio(StudioData* studio);
    void AddUnitBlock(StrobeData* unit);
    void PaintUnitStatus(StrobeData* unit, int k, bool redraw);
    void UpdateUnitField(int fieldCode, StrobeData* unit);
    void RefreshUnitRows(StrobeData* unit);
    void GoToUnit(StrobeData* unit);
    // No unit is current any more (the studio itself was chosen): the current block loses its
    // colours and the Remote Control panel is reset.
    void DropCurrentUnit();
    // What a click does on block k's title (the unit becomes current), and on the unit's tick
    // box (ticked or cleared); for keys and assistive technology.
    void ChooseBlock(int k);
    void ToggleUnitTick(const StrobeData* unit);
    void ToggleBlockTick(int k);
    void ToggleHeadingTick() { ToggleTickBox(0, -1); }
    // Whether block k shows the icon green (its field is 1).
    bool IconOn(Icon icon, int k) const;

    int ShownUnits() const { return nShownUnits; }
    int CurrentUnitPosition() const { return nCurrentUnit; }
    // The unit of the current block, or nullptr when no block is current.
    StrobeData* CurrentGridUnit() const { return UnitAtPosition(nCurrentUnit); }
    QString HeadingText() const { return sHeadingText; }

    // The grid cell of a block's parts.
    static int TitleRow(int k) { return kRowsPerUnit * k + 1; }
    static int StatusRow(int k) { return kRowsPerUnit * k + 2; }
    static void IconCell(Icon icon, int k, int& col, int& row);

    const QFont& TitleFont() const { return m_look.TitleFont(); }
    const QFont& HeadingFont() const { return m_headingFont; }
    const QFont& BigFont() const { return m_look.BigFont(); }
    // The icon as drawn for a field value (green for 1, grey otherwise).
    const QPixmap& IconPixmap(Icon icon, int fieldValue) const;

signals:
    // A block was picked: its unit is the current unit (WM_UNIT_PICKED, sent).
    void unitPicked();
    // No unit is current any more: the Remote Control panel starts afresh (WM_PANEL_RESET).
    void panelReset();

protected:
    bool event(QEvent* e) override;
    // An icon's tool tip says what it shows and its state; elsewhere the grid's own tip.
    bool viewportEvent(QEvent* e) override;
    void OnSetup() override;
    void mousePressEvent(QMouseEvent* event) override;
    void OnCellChange(int oldCol, int newCol, int oldRow, int newRow) override;
    bool OnCellTypeNotify(int typeId, int col, int row, int event, int value) override;

private:
    // Makes block k's unit the current unit, unless it already is.
    void PickBlock(int k);
    // The heading's box is ticked exactly when every shown unit is.
    void SyncHeadingTick();
    void DrawIcons() const;
    int PositionOf(const StrobeData* unit) const;
    StrobeData* UnitAtPosition(int k) const;
    void SetIcon(Icon icon, const StrobeData* unit, int k);
    void SetAllIcons(const StrobeData* unit, int k);

    CFrameHost& m_host;
    StudioManager& m_manager;
    CUnitBlockLook m_look;
    QFont m_headingFont;
    // Per icon: [0] when the field is 1, [1] otherwise.
    // Drawn when first asked for.
    mutable std::array<std::array<QPixmap, 2>, kIconCount> m_icons;
    mutable qreal m_iconScale = 1.0;  // the device pixel ratio the icons were drawn for
    QString sHeadingText;
    int nShownUnits = 0;
    int nCurrentUnit = -1;
};
