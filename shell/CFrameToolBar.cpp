#include "shell/CFrameToolBar.h"

#include <QAction>
#include <QMainWindow>
#include <QToolBar>

#include "host/ToolFlag.h"
#include "shell/ToolImages.h"

namespace {

struct ToolCommand {
    const char* label;
    QKeySequence shortcut;
    const char* objectName;
};

QString TipWithKey(const QString& label, const QKeySequence& shortcut) {
    return QStringLiteral("%1 (%2)").arg(label, shortcut.toString(QKeySequence::NativeText));
}

}  // namespace

CFrameToolBar::CFrameToolBar(QMainWindow& window, QAction* undo, QAction* redo) : m_window(window) {
    m_bar = window.addToolBar(QStringLiteral("Toolbar"));
    m_bar->setObjectName(QStringLiteral("toolBar"));
    m_bar->setAccessibleName(QStringLiteral("Toolbar"));
    m_bar->setMovable(false);
    m_bar->setFloatable(false);
    m_bar->setIconSize(QSize(kToolImagePx, kToolImagePx));
    m_bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    AddCommands();
    AddHistoryAndHelp(undo, redo);
}

void CFrameToolBar::AddCommands() {
    static const std::array<ToolCommand, kToolCount> kCommands{{
        {"Load", QKeySequence(Qt::CTRL | Qt::Key_O), "toolLoad"},
        {"Save", QKeySequence(Qt::CTRL | Qt::Key_S), "toolSave"},
        {"Scan", QKeySequence(Qt::Key_F5), "toolScan"},
        {"Name", QKeySequence(Qt::Key_F2), "toolName"},
        {"Com", QKeySequence(Qt::CTRL | Qt::Key_K), "toolCom"},
    }};
    for (int i = 0; i < kToolCount; ++i) {
        const auto k = static_cast<size_t>(i);
        const ToolCommand& command = kCommands[k];
        const QString label = QString::fromLatin1(command.label);
        auto* action = new QAction(ToolIcon(i), label, &m_window);
        action->setObjectName(QString::fromLatin1(command.objectName));
        action->setShortcut(command.shortcut);
        action->setToolTip(TipWithKey(label, command.shortcut));
        action->setEnabled(m_flags[k] == 1);
        m_actions[k] = action;
        // Load, Save | Scan, Name | Com
        if (i == kToolScan || i == kToolCom) {
            m_bar->addSeparator();
        }
        m_bar->addAction(action);
        NameButton(action);
    }
}

// Undo and Redo after the commands, the services' entries (AddServiceAction), Help last.
void CFrameToolBar::AddHistoryAndHelp(QAction* undo, QAction* redo) {
    m_bar->addSeparator();
    for (QAction* action : {undo, redo}) {
        m_bar->addAction(action);
        m_window.addAction(action);
        NameButton(action);
    }
    m_servicesSeparator = m_bar->addSeparator();
    m_help = new QAction(ToolIcon(kToolHelpImage), QStringLiteral("Help"), &m_window);
    m_help->setObjectName(QStringLiteral("toolHelp"));
    m_help->setShortcut(QKeySequence(Qt::Key_F1));
    m_help->setToolTip(TipWithKey(m_help->text(), m_help->shortcut()));
    m_bar->addAction(m_help);
    NameButton(m_help);
}

bool CFrameToolBar::SetFlag(int index, int value) {
    if (index < 0 || index >= kToolCount) {
        return false;
    }
    const auto i = static_cast<size_t>(index);
    m_flags[i] = value;
    // Enabled exactly when the flag is 1; any other value disables.
    m_actions[i]->setEnabled(value == 1);
    return true;
}

void CFrameToolBar::AddServiceAction(QAction* action) {
    if (m_servicesAdded == 0) {
        m_bar->insertSeparator(m_servicesSeparator);
    }
    ++m_servicesAdded;
    action->setParent(&m_window);
    action->setToolTip(TipWithKey(action->text(), action->shortcut()));
    m_bar->insertAction(m_servicesSeparator, action);
    m_window.addAction(action);
    NameButton(action);
}

void CFrameToolBar::NameButton(QAction* action) {
    if (QWidget* button = m_bar->widgetForAction(action)) {
        button->setAccessibleName(action->text());
    }
}
