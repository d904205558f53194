#pragma once

#include <QWidget>

#include "model/FieldCode.h"
#include "model/UnitRef.h"

class CFrameHost;
class CNavigationGrid;
class CTitleSeparator;
class StudioManager;
struct StrobeData;
struct StudioData;

// The right-hand pane: the title line and the navigation grid of the shown studio's units.
// Is shown the studio list's choice and the units it lists, and hears of the unit core's
// changes, each as soon as it needs to.
class CNavigationFormView : public QWidget {
    Q_OBJECT
public:
    explicit CNavigationFormView(CFrameHost& host, QWidget* parent = nullptr);

    // Once all panes exist: the title's look, and the grid takes over its placeholder.
    void OnInitialUpdate();

    CNavigationGrid& Grid() { return *m_grid; }

    // The studio list's choice (WM_SHOW_STUDIO, WM_SHOW_NODE): the studio shown, then the panel
    // reset; a unit gone to (after the studio is shown anew when rebuild), or, for none, no
    // unit current any more. A studio or unit that is gone is not shown.
    void ShowStudio(StudioData* studio);
    void ShowNode(StrobeData* unit, bool rebuild);
    // The studio list has listed a unit a report placed (WM_UNIT_ADDED): the studio is shown
    // anew, the current unit kept.
    void OnUnitListed(const UnitRef& unit);
    CTitleSeparator& Title() { return *m_title; }

    // As narrow as the view can be with every grid column and the grid's vertical scroll
    // bar in sight.
    QSize minimumSizeHint() const override;

signals:
    // The studio shown anew, or no unit current any more: the Remote Control panel starts
    // afresh (WM_PANEL_RESET, sent).
    void panelReset();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void LayoutGrid();
    // The grid's menu of a unit (right button, menu key): "Light meter...".
    void ShowUnitMenu(const QPoint& at);
    // The core's notices: a unit's field, every grid unit's field (WM_SELECTION_EDITED), a
    // unit's name.
    void OnUnitEdited(const UnitRef& unit, FieldCode field);
    void OnTickedEdited(FieldCode field);
    void OnUnitRenamed(const UnitRef& unit);
    // A status report brought a unit up to date: its rows are drawn anew.
    void OnUnitReported(const UnitRef& unit);

    CFrameHost& m_host;
    StudioManager& m_manager;
    CNavigationGrid* m_grid;  // a child widget
    CTitleSeparator* m_title;
    bool m_gridAttached = false;
    int m_titleWidthPx = 0;  // as the template places it
};
