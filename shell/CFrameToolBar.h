#pragma once

#include <QKeySequence>
#include <array>

class QAction;
class QMainWindow;
class QToolBar;

// The main window's tool bar: the five commands (Load, Save, Scan, Name, Com, by tool flag
// index) with their flags, Undo and Redo, the entries of the services beside the desktop, and
// Help last. It builds the bar and its actions; what the actions do is the window's.
class CFrameToolBar {
public:
    static constexpr int kToolCount = 5;

    // window: takes the bar and the actions' keys. undo, redo: the history's actions.
    CFrameToolBar(QMainWindow& window, QAction* undo, QAction* redo);

    QToolBar* Bar() const { return m_bar; }
    QAction* Action(int index) const { return m_actions.at(static_cast<size_t>(index)); }
    QAction* HelpAction() const { return m_help; }
    int Flag(int index) const { return m_flags.at(static_cast<size_t>(index)); }
    // The command's action is enabled exactly when its flag is 1; false for an index outside
    // the tool bar, which changes nothing.
    bool SetFlag(int index, int value);
    // Before Help; its tool tip names it with its key. The window takes action.
    void AddServiceAction(QAction* action);

private:
    void AddCommands();
    void AddHistoryAndHelp(QAction* undo, QAction* redo);
    // A screen reader names a tool button as its action.
    void NameButton(QAction* action);

    QMainWindow& m_window;
    QToolBar* m_bar = nullptr;
    std::array<int, kToolCount> m_flags{0, 0, 1, 1, 1};
    std::array<QAction*, kToolCount> m_actions{};
    QAction* m_help = nullptr;
    QAction* m_servicesSeparator = nullptr;
    int m_servicesAdded = 0;
};
