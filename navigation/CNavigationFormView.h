#pragma once

#include <QWidget>

class CFrameHost;
class CNavigationGrid;
class CTitleSeparator;
class StudioManager;

// The right-hand pane: the title line and the navigation grid of the shown studio's units.
// Receives WM_SHOW_STUDIO, WM_SHOW_NODE, WM_UNIT_ADDED, WM_UNIT_FIELD, WM_UNIT_REFRESH and
// WM_SELECTION_EDITED.
class CNavigationFormView : public QWidget {
public:
    explicit CNavigationFormView(CFrameHost& host, QWidget* parent = nullptr);

    // Once all panes exist: the title's look, and the grid takes over its placeholder.
    void OnInitialUpdate();

    CNavigationGrid& Grid() { return *m_grid; }
    CTitleSeparator& Title() { return *m_title; }

    // As narrow as the view can be with every grid column and the grid's vertical scroll
    // bar in sight.
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void LayoutGrid();

    CFrameHost& m_host;
    StudioManager& m_manager;
    CNavigationGrid* m_grid;  // a child widget
    CTitleSeparator* m_title;
    bool m_gridAttached = false;
    int m_titleWidthPx = 0;  // as the template places it
};
