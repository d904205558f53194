#pragma once

#include <QMainWindow>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>

#include "host/CFrameHost.h"
#include "model/ComSettings.h"
#include "shell/CFrameToolBar.h"
#include "shell/CPortCatalog.h"
#include "shell/CRollCallHost.h"

class CAppMessage;
class CCommandDesk;
class CFrameCommandHost;
class CHelpWindow;
class CKeyCommands;
class CRollCall;
class QAction;
class QLabel;
class QMenu;
class QToolBar;
class CCommThread;
class CLinkObserver;
class CRadioSession;
class CStrobeSplitterWnd;
class CUnitControl;
class CUndoHistory;
class CZbProtocol;
class CXmlStore;
class StudioManager;
class CStudioListFormView;
class CNavigationFormView;
class CControlFormView;

// The main window. Owns, for the whole run, the unit model, the radio session and the XML
// store; lays out the three views in two splitters; routes the toolbar commands to the views;
// hands the link's notices to the radio session. The views hear of the units from the unit
// core, to which the report handler reports.
class CMainFrame : public QMainWindow, public CFrameHost, public CRollCallHost {
    Q_OBJECT
public:
    static constexpr int kMinWidthPx = 800;
    static constexpr int kMinHeightPx = 500;
    static constexpr int kToolCount = CFrameToolBar::kToolCount;
    // The ideal widths of the studio list and the Remote Control columns.
    static constexpr int kIdealListWidthPx = 200;
    static constexpr int kIdealControlWidthPx = 325;

    using MessageBoxHandler =
        std::function<bool(const QString& text, const QString& caption, bool withCancel)>;

    // baseFolder: where Option.xml and the "Business Memory" folder are kept (the program's
    // working folder).
    explicit CMainFrame(const QString& baseFolder, QWidget* parent = nullptr);
    ~CMainFrame() override;

    StudioManager& Manager() override { return *m_manager; }
    CZbProtocol& Protocol() override;
    CXmlStore& XmlStore() override { return *m_xmlStore; }
    CUnitControl& Control() override { return *m_unitControl; }
    // The three views, for what looks at them as widgets (tests, the demo).
    QObject* StudioListPane();
    QObject* ControlPane();
    QObject* NavigationPane();
    bool AskOperator(const QString& text, const QString& caption, bool withCancel,
                     const QString& detail = {}) override;

    // Lets tests answer message boxes instead of an operator.
    void SetMessageBoxHandler(MessageBoxHandler handler) { m_messageBox = std::move(handler); }
    // The detail of the message box asked for last (empty for one without); a handler reads
    // that of the box it answers.
    const QString& LastAskedDetail() const { return m_askedDetail; }
    // Who sees the link's frames and events (the frame log); null for none. The observer
    // must outlive the frame.
    void SetLinkObserver(CLinkObserver* observer);
    // The ports the "Com Setting" list offers; tests point it at folders of their own.
    CPortCatalog& PortCatalog() { return m_ports; }

    // Lets tests run the scan dialog faster; the number of ticks stays.
    void SetScanTickInterval(std::chrono::milliseconds interval) { m_scanTick = interval; }
    // Status pane 0 (see CRollCallHost).
    void SetStatusText(const QString& text) override { SetReasonText(text); }
    // "Check units" (Ctrl+R): the roll call of the current studio.
    void OnCheckUnits();
    QAction* CheckUnitsAction() const { return m_checkUnits; }
    CRollCall& RollCall() { return *m_rollCall; }
    CUndoHistory& History() { return *m_history; }
    // The commands from elsewhere (phone, session bus, control surfaces) go through it.
    CCommandDesk& Desk() { return *m_desk; }
    CStudioListFormView& StudioList() { return *m_studioList; }

    // The toolbar commands.
    void OnLoad();
    void OnSave();
    void OnScan() { StartScan(); }
    void OnName();
    void OnCom();
    // F1 and the tool bar's Help: the help window, made the first time it is asked for.
    void OnHelp();
    CHelpWindow* HelpWindow() const { return m_help; }
    QAction* HelpAction() const { return m_tools->HelpAction(); }
    // Ctrl+Q: as closing the window.
    QAction* QuitAction() const { return m_quit; }
    // Clears the current studio, switches the dongle to it and waits six seconds for its
    // units to report. Without a current studio there is nothing to scan; while not
    // connected nothing could answer, and status pane 0 says so.
    void StartScan();

    bool IsConnected() const override;
    int ToolFlag(int index) const { return m_tools->Flag(index); }
    void SetToolAvailable(::ToolFlag tool, bool available) override {
        SetToolFlag(tool, available ? 1 : 0);
    }
    // The command's action is enabled exactly when its flag is 1; an index outside the tool
    // bar changes nothing.
    void SetToolFlag(int index, int value);
    QAction* ToolAction(int index) const { return m_tools->Action(index); }
    QToolBar* ToolBar() const { return m_tools->Bar(); }
    QLabel* StatusPane(int index) const { return index == 0 ? m_statusText : m_statusLink; }
    const ComSettings& Settings() const { return m_comSettings; }
    CRadioSession& Session() { return *m_session; }
    CCommThread& Link();
    CStrobeSplitterWnd* OuterSplitter() const { return m_outer; }
    CStrobeSplitterWnd* InnerSplitter() const { return m_inner; }

    // A tool bar entry of a service that runs beside the desktop (the phone remote, control
    // surfaces), before Help; its tool tip names it with its key. The frame takes action.
    void AddServiceAction(QAction* action);

    QMenu* createPopupMenu() override;

protected:
    bool event(QEvent* e) override;
    // The help window goes with the frame.
    void closeEvent(QCloseEvent* e) override;

private:
    // The roll call's view of the frame (see CRollCallHost).
    StudioManager& Units() override { return *m_manager; }
    CUnitControl& UnitCore() override { return *m_unitControl; }
    void SwitchDongleTo(int studioNum) override;
    bool WaitForAnswers(const QString& studioName, AnswerCount answered) override;

    // The tool bar's commands wired to their handlers, and Quit.
    void CreateToolBar();
    void CreateStatusBar();
    // Check units (Ctrl+R), and the roll call after each memory applied.
    void CreateRollCall();
    void CreateClientArea();
    void FitPanes();
    void SetConnectionText(const QString& text);
    // Pane 0: why the last connection failed, or nothing.
    void SetReasonText(const QString& text);

    // Owned for the whole run; destroyed after the views (see the destructor).
    std::unique_ptr<StudioManager> m_manager;
    std::unique_ptr<CXmlStore> m_xmlStore;
    // The core before the session: the session's report handler tells it what it did.
    std::unique_ptr<CUnitControl> m_unitControl;
    std::unique_ptr<CRadioSession> m_session;
    std::unique_ptr<CUndoHistory> m_history;
    std::unique_ptr<CFrameCommandHost> m_commandHost;
    std::unique_ptr<CCommandDesk> m_desk;

    ComSettings m_comSettings;
    CPortCatalog m_ports;
    std::unique_ptr<CFrameToolBar> m_tools;
    QLabel* m_statusText = nullptr;
    QLabel* m_statusLink = nullptr;
    CStrobeSplitterWnd* m_outer = nullptr;
    CStrobeSplitterWnd* m_inner = nullptr;
    CStudioListFormView* m_studioList = nullptr;
    CControlFormView* m_control = nullptr;
    CNavigationFormView* m_navigation = nullptr;

    MessageBoxHandler m_messageBox;
    QString m_askedDetail;
    std::chrono::milliseconds m_scanTick;
    QAction* m_checkUnits = nullptr;
    QAction* m_quit = nullptr;
    QString m_baseFolder;
    CHelpWindow* m_help = nullptr;  // a child of the frame, once shown
    // Last, so that they go first: both watch the frame and its panes.
    std::unique_ptr<CRollCall> m_rollCall;
    std::unique_ptr<CKeyCommands> m_keys;
};
