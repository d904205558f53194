#include "shell/CMainFrame.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScrollArea>
#include <QStatusBar>
#include <QToolBar>
#include <algorithm>
#include <array>

#include "control/CCommandDesk.h"
#include "control/CUnitControl.h"
#include "host/ToolFlag.h"
#include "link/AppMessages.h"
#include "link/CCommThread.h"
#include "link/CRadioSession.h"
#include "link/CZbProtocol.h"
#include "model/StudioManager.h"
#include "navigation/CNavigationFormView.h"
#include "navigation/CNavigationGrid.h"
#include "navigation/CStudioListFormView.h"
#include "panels/CControlFormView.h"
#include "shell/CComSettingDlg.h"
#include "shell/CFrameCommandHost.h"
#include "shell/CFrameToolBar.h"
#include "shell/CHelpWindow.h"
#include "shell/CKeyCommands.h"
#include "shell/CRollCall.h"
#include "shell/CStrobeSplitterWnd.h"
#include "shell/CUndoHistory.h"
#include "shell/CWaitingDlg.h"
#include "store/CXmlStore.h"

namespace {

const QString kConnectedText = QStringLiteral("Zigbee connected");
const QString kDisconnectedText = QStringLiteral("Zigbee disconnected");

// A form view scrolls when its pane is smaller than its controls need.
QScrollArea* InPane(QWidget* view) {
    auto* pane = new QScrollArea;
    pane->setWidget(view);
    pane->setWidgetResizable(true);
    pane->setFrameShape(QFrame::NoFrame);
    // Not a stop of its own for Tab: the view's controls are.
    pane->setFocusPolicy(Qt::NoFocus);
    return pane;
}

}  // namespace

CMainFrame::CMainFrame(const QString& baseFolder, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      m_manager(std::make_unique<StudioManager>()),
      m_xmlStore(std::make_unique<CXmlStore>(baseFolder)),
      // Before anything that sends this window an event: event() hands the session its notices.
      m_unitControl(std::make_unique<CUnitControl>(*m_manager)),
      m_session(std::make_unique<CRadioSession>(this, *m_manager, *m_unitControl)),
      m_scanTick(CWaitingDlg::kTickInterval),
      m_baseFolder(baseFolder) {
    setWindowTitle(QStringLiteral("Tarnel Remote Control"));
    setAccessibleName(windowTitle());
    // The tool bar's tips show while another window is active too.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    m_xmlStore->pManager = m_manager.get();
    m_unitControl->SetProtocol(m_session->Protocol());
    m_history = std::make_unique<CUndoHistory>(
        *m_manager, *m_unitControl,
        CUndoHistory::Host{[this] { return IsConnected(); },
                           [this](const QString& text) { SetReasonText(text); }},
        this);
    m_xmlStore->showMessage = [this](const QString& text, const QString& caption) {
        AskOperator(text, caption, false);
    };
    m_commandHost = std::make_unique<CFrameCommandHost>(*this);
    m_desk = std::make_unique<CCommandDesk>(*m_unitControl, *m_commandHost);

    CreateToolBar();
    CreateStatusBar();

    // The serial settings: defaults, then what Option.xml holds. Start-up does not connect.
    m_comSettings = DefaultComSettings();
    LoadOption(*m_xmlStore, m_comSettings);
    m_session->SetConnectionListener([this](bool connected) {
        SetConnectionText(connected ? kConnectedText : kDisconnectedText);
        m_desk->OnConnectionChanged(connected);
        // Test is greyed without a connection: the panel looks again.
        if (m_control != nullptr) {
            m_control->OnConnectionChanged();
        }
    });
    m_session->SetReconnectionListener([this](const QString& port) {
        SetReasonText(QStringLiteral("Dongle reconnected: %1").arg(port));
    });

    // The views reach the model and the protocol through this frame, so they come last.
    CreateClientArea();

    setMinimumSize(kMinWidthPx, kMinHeightPx);
    resize(kMinWidthPx, kMinHeightPx);

    // The views' initial update, once all three panes exist.
    m_navigation->OnInitialUpdate();
    m_studioList->OnInitialUpdate();
    m_control->OnInitialUpdate();
    FitPanes();

    CreateRollCall();
    m_keys = std::make_unique<CKeyCommands>(*this, *m_control, m_navigation->Grid(), *m_studioList,
                                            *m_manager);
}

CMainFrame::~CMainFrame() {
    // They watch the views, which go below.
    m_keys.reset();
    m_rollCall.reset();
    m_session->Close();
    // The views keep references to the model and the protocol: they go before them.
    delete takeCentralWidget();
    m_studioList = nullptr;
    m_control = nullptr;
    m_navigation = nullptr;
}

QMenu* CMainFrame::createPopupMenu() {
    // Its only entry would hide the tool bar, and with it Load, Save, Scan, Name and Com.
    return nullptr;
}

void CMainFrame::CreateToolBar() {
    m_tools =
        std::make_unique<CFrameToolBar>(*this, m_history->UndoAction(), m_history->RedoAction());
    using Handler = void (CMainFrame::*)();
    static const std::array<Handler, kToolCount> kHandlers{&CMainFrame::OnLoad, &CMainFrame::OnSave,
                                                           &CMainFrame::OnScan, &CMainFrame::OnName,
                                                           &CMainFrame::OnCom};
    for (int i = 0; i < kToolCount; ++i) {
        connect(m_tools->Action(i), &QAction::triggered, this, kHandlers[static_cast<size_t>(i)]);
    }
    connect(m_tools->HelpAction(), &QAction::triggered, this, &CMainFrame::OnHelp);
    m_quit = new QAction(QStringLiteral("Quit"), this);
    m_quit->setObjectName(QStringLiteral("quit"));
    m_quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(m_quit, &QAction::triggered, this, &QWidget::close);
    addAction(m_quit);
}

void CMainFrame::CreateRollCall() {
    m_rollCall = std::make_unique<CRollCall>(*this);
    m_checkUnits = new QAction(QStringLiteral("Check units"), this);
    m_checkUnits->setObjectName(QStringLiteral("checkUnits"));
    m_checkUnits->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    m_checkUnits->setToolTip(QStringLiteral("Check units (%1)")
                                 .arg(m_checkUnits->shortcut().toString(QKeySequence::NativeText)));
    connect(m_checkUnits, &QAction::triggered, this, &CMainFrame::OnCheckUnits);
    addAction(m_checkUnits);
    // A frame sent is not a frame taken: once a memory's frames went out, its studio is called to
    // see who took them. Queued, so that the Load command has finished before the wait begins; an
    // undo or redo of the apply is not a change of the operator's and calls nobody.
    connect(
        m_unitControl.get(), &CUnitControl::changed, this,
        [this](const UnitChange& change) {
            if (change.kind == UnitChange::Kind::kMemory && m_rollCall) {
                m_rollCall->Confirm(change);
            }
        },
        Qt::QueuedConnection);
}

void CMainFrame::CreateStatusBar() {
    m_statusText = new QLabel(QStringLiteral(" "));
    m_statusText->setFixedWidth(500);
    m_statusText->setObjectName(QStringLiteral("statusText"));
    // Heard as their text (no name of their own), and heard again at every change of it.
    m_statusText->setAccessibleDescription(QStringLiteral("Status"));
    m_statusLink = new QLabel(kDisconnectedText);
    m_statusLink->setFixedWidth(150);
    m_statusLink->setObjectName(QStringLiteral("statusLink"));
    m_statusLink->setAccessibleDescription(QStringLiteral("Connection"));
    statusBar()->addPermanentWidget(m_statusText);
    statusBar()->addPermanentWidget(m_statusLink);
}

void CMainFrame::CreateClientArea() {
    m_outer = new CStrobeSplitterWnd;
    m_outer->setObjectName(QStringLiteral("outerSplitter"));
    m_inner = new CStrobeSplitterWnd;
    m_inner->setObjectName(QStringLiteral("innerSplitter"));
    m_navigation = new CNavigationFormView(*this);
    m_studioList = new CStudioListFormView(*this);
    m_control = new CControlFormView(*this);
    // The studio list's choice reaches the grid before its handling goes on.
    connect(m_studioList, &CStudioListFormView::studioShown, m_navigation,
            &CNavigationFormView::ShowStudio);
    connect(m_studioList, &CStudioListFormView::nodeShown, m_navigation,
            &CNavigationFormView::ShowNode);
    connect(m_studioList, &CStudioListFormView::unitListed, m_navigation,
            &CNavigationFormView::OnUnitListed);
    // Posted once: the choice's handling ends before the scan's dialog opens.
    connect(m_studioList, &CStudioListFormView::scanRequested, this, &CMainFrame::StartScan,
            Qt::QueuedConnection);
    connect(m_studioList, &CStudioListFormView::checkRequested, this, &CMainFrame::OnCheckUnits,
            Qt::QueuedConnection);
    // A pick: the panel shows the unit, then the tree's selection follows.
    CNavigationGrid* grid = &m_navigation->Grid();
    connect(grid, &CNavigationGrid::unitPicked, m_control, &CControlFormView::OnUnitPicked);
    connect(grid, &CNavigationGrid::unitPicked, m_studioList,
            &CStudioListFormView::FollowCurrentUnit);
    connect(m_navigation, &CNavigationFormView::panelReset, m_control, &CControlFormView::Reset);
    m_navigation->setAccessibleName(QStringLiteral("Navigation"));
    m_studioList->setAccessibleName(QStringLiteral("Studio List"));
    m_control->setAccessibleName(QStringLiteral("Remote Control"));

    m_inner->AddColumn(InPane(m_studioList));
    m_inner->AddColumn(InPane(m_control));
    m_outer->AddColumn(m_inner);
    m_outer->AddColumn(InPane(m_navigation));
    // The right-hand column takes what the frame gains or loses.
    m_outer->setStretchFactor(0, 0);
    m_outer->setStretchFactor(1, 1);
    m_inner->setStretchFactor(0, 0);
    m_inner->setStretchFactor(1, 1);
    setCentralWidget(m_outer);
}

void CMainFrame::FitPanes() {
    // The ideal widths, each pane at least as wide as its controls need (a face wider than
    // Arial makes the Remote Control panel wider). The navigation column takes what is left;
    // the studio list gives way down to its own minimum; a frame too small for that grows,
    // rather than any pane hiding its controls behind a scroll bar.
    const int bar = m_outer->handleWidth();
    const int control = std::max(kIdealControlWidthPx, m_control->minimumWidth());
    const int navigation = m_navigation->minimumSizeHint().width();
    const int listMinimum =
        std::max(CStrobeSplitterWnd::kMinColumnWidthPx, m_studioList->minimumSizeHint().width());
    int list = std::min(kIdealListWidthPx, width() - 2 * bar - control - navigation);
    if (list < listMinimum) {
        list = listMinimum;
        setMinimumWidth(list + control + navigation + 2 * bar);
    }
    const int chrome = ToolBar()->sizeHint().height() + statusBar()->sizeHint().height();
    setMinimumHeight(std::max(minimumHeight(), m_control->minimumHeight() + chrome));
    resize(std::max(width(), minimumWidth()), std::max(height(), minimumHeight()));
    m_inner->setSizes({list, control});
    m_outer->setSizes({list + bar + control, width() - 2 * bar - list - control});
}

CZbProtocol& CMainFrame::Protocol() {
    return m_session->Protocol();
}

bool CMainFrame::IsConnected() const {
    return m_session->IsConnected();
}

CCommThread& CMainFrame::Link() {
    return m_session->Link();
}

QObject* CMainFrame::StudioListPane() {
    return m_studioList;
}
QObject* CMainFrame::ControlPane() {
    return m_control;
}
QObject* CMainFrame::NavigationPane() {
    return m_navigation;
}

bool CMainFrame::AskOperator(const QString& text, const QString& caption, bool withCancel,
                             const QString& detail) {
    m_askedDetail = detail;
    if (m_messageBox) {
        return m_messageBox(text, caption, withCancel);
    }
    const auto buttons = withCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                    : QMessageBox::StandardButtons(QMessageBox::Ok);
    QMessageBox box(withCancel ? QMessageBox::Question : QMessageBox::Information, caption, text,
                    buttons, this);
    box.setDefaultButton(QMessageBox::Ok);
    box.setInformativeText(detail);
    return box.exec() == QMessageBox::Ok || !withCancel;
}

void CMainFrame::SetToolFlag(int index, int value) {
    if (m_tools->SetFlag(index, value)) {
        // The tree's choice moved: Undo and Redo follow the studio now worked in.
        m_history->Refresh();
    }
}

void CMainFrame::AddServiceAction(QAction* action) {
    m_tools->AddServiceAction(action);
}

void CMainFrame::SetConnectionText(const QString& text) {
    m_statusLink->setText(text);
}

void CMainFrame::SetReasonText(const QString& text) {
    // The pane is narrow for a long device path: the whole reason is in the tool tip too.
    m_statusText->setText(text.isEmpty() ? QStringLiteral(" ") : text);
    m_statusText->setToolTip(text);
}

void CMainFrame::SetLinkObserver(CLinkObserver* observer) {
    m_session->SetObserver(observer);
}

void CMainFrame::OnLoad() {
    if (ToolFlag(kToolLoad) == 1) {
        m_control->LoadMemory();
    }
}

void CMainFrame::OnSave() {
    if (ToolFlag(kToolSave) == 1) {
        m_control->SaveMemory();
    }
}

void CMainFrame::OnName() {
    if (ToolFlag(kToolName) == 1) {
        m_studioList->Rename();
    }
}

void CMainFrame::OnCom() {
    // The link stays open while the dialog is shown: looking at the settings mid-shoot must
    // not cut the strobes off, and Cancel changes nothing.
    CComSettingDlg dialog(m_comSettings, this, m_ports);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    PortFailure failure;
    // Open closes the present opening first (Ok on the same port reconnects). Opened, the
    // session sets the status text; failed, the first pane says why.
    SetReasonText(m_session->Open(m_comSettings, &failure) ? QString() : failure.text);
    // Saved whether or not the port opened.
    SaveOption(*m_xmlStore, m_comSettings);
}

void CMainFrame::OnHelp() {
    if (m_help == nullptr) {
        m_help = new CHelpWindow(m_baseFolder, this);
    }
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void CMainFrame::closeEvent(QCloseEvent* e) {
    if (m_help != nullptr) {
        m_help->close();
    }
    QMainWindow::closeEvent(e);
}

void CMainFrame::StartScan() {
    StudioData* studio = ResolveStudio(m_manager->currentNode);
    if (!studio) {
        // Nothing selected yet: no studio to switch the dongle to.
        return;
    }
    if (!m_session->IsConnected()) {
        // Nothing could answer: the studio and the names given to its units are kept.
        SetReasonText(QStringLiteral("Scan: not connected (Com)"));
        return;
    }
    SetReasonText(QString());
    ClearStudio(*m_manager, *studio);
    m_history->Forget(studio->nStudioNum);
    m_studioList->OnStudioCleared(studio);
    m_session->Protocol().SelectStudio(studio->nStudioNum);
    m_manager->activeStudio = studio;
    // Cancelled, the units that answered so far stay.
    CWaitingDlg dialog(studio->sStudioName, this, m_scanTick,
                       [studio] { return studio->nChItemCnt; });
    dialog.RecountOn(*m_unitControl);
    dialog.exec();
}

void CMainFrame::OnCheckUnits() {
    m_rollCall->Run();
}

void CMainFrame::SwitchDongleTo(int studioNum) {
    Protocol().SelectStudio(studioNum);
}

bool CMainFrame::WaitForAnswers(const QString& studioName, AnswerCount answered) {
    bool waitedOut = false;
    {
        CWaitingDlg dialog(studioName, this, m_scanTick, std::move(answered));
        dialog.RecountOn(*m_unitControl);
        waitedOut = dialog.exec() == QDialog::Accepted;
    }
    // What arrived within the six seconds counts, though some of it waits in the queue yet.
    QCoreApplication::sendPostedEvents(this, kReceivedNotice);
    // The views' queued hearing of those reports (a unit added, a unit brought up to date).
    for (QObject* pane : {StudioListPane(), NavigationPane(), ControlPane()}) {
        QCoreApplication::sendPostedEvents(pane, QEvent::MetaCall);
    }
    return waitedOut;
}

bool CMainFrame::event(QEvent* e) {
    if (m_session->HandleNotice(*e)) {
        return true;
    }
    const int type = static_cast<int>(e->type());
    if (type == kAlertRequest) {
        auto* alert = static_cast<CAlertMessage*>(e);
        AskOperator(alert->text, alert->caption, false);
        if (alert->closed) {
            alert->closed();
        }
        return true;
    }
    return QMainWindow::event(e);
}
