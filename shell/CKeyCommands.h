#pragma once

#include <QObject>
#include <array>

class CControlFormView;
class CNavigationGrid;
class QFocusFrame;
class QKeyEvent;
class QWidget;
class StudioManager;

// Keyboard-first operation of the main window: keys that work the shown panel and the current
// unit wherever the focus is, and the order in which Tab goes through the panes.
//
//   + / -            the flash spin's up / down arrow, by the character typed on any layout
//                    (also = , the unshifted + of US keys, _ , the shifted -, and the keypad's)
//   Ctrl with them   the model spin's arrows
//   Page Up / Down   the flash slider one page (1.0) and let go of, as on the focused slider
//   T                the Test button
//   Space            the current unit's tick box in the grid
//
// Each goes to the control of the panel that is shown (the selected-units panel's offsets and
// the ticked units when "Selected unit(s) settings" is chosen) through the same call its mouse
// twin makes, so a disabled or hidden control does nothing. A key is taken before the focused
// control sees it, except where that control has a standard use for it: a text field keeps
// every key, a button or check box keeps Space (it presses it), the combo keeps Space (it opens
// its list), and a focused slider keeps Page Up / Page Down (it moves that slider). A held
// T or Space does not repeat.
//
// Tab goes through the studio list, then the Remote Control panel (the selected-units panel's
// controls in the place of the single-unit ones), then the grid. A focused list, grid or text
// view wears a frame: an empty list or a read-only text shows no focus of its own.
class CKeyCommands : public QObject {
public:
    enum class Command {
        kNone,
        kFlashUp,
        kFlashDown,
        kModelUp,
        kModelDown,
        kPageUp,
        kPageDown,
        kTest,
        kTick
    };

    CKeyCommands(QWidget& window, CControlFormView& panel, CNavigationGrid& grid,
                 QWidget& studioList, StudioManager& manager);
    ~CKeyCommands() override;

    static Command CommandOf(const QKeyEvent& key);
    // Whether the focused widget has a standard use for the command's key and keeps it.
    static bool FocusKeeps(const QWidget* focus, Command command);

    void Perform(Command command);
    // Studio list, Remote Control panel, grid; asked for again when the panel makes its
    // selected-units panel.
    void OrderTabStops();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    bool OnKeyPress(QWidget* receiver, const QKeyEvent& key);

    QWidget& m_window;
    CControlFormView& m_panel;
    CNavigationGrid& m_grid;
    StudioManager& m_manager;
    std::array<QWidget*, 3> m_panes;
    bool m_orderStale = false;  // the panel has made controls since the last ordering
    QFocusFrame* m_focusFrame;  // a child of the window
};
