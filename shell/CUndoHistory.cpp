#include "shell/CUndoHistory.h"

#include <QAction>
#include <QTimer>
#include <QUndoCommand>
#include <QUndoStack>

#include "control/CUnitControl.h"
#include "model/StudioManager.h"
#include "shell/ToolImages.h"

namespace {

// One step: the change as the core made it. Pushed after the fact, so its first redo is the
// change itself and sends nothing.
class CUnitChangeStep : public QUndoCommand {
public:
    static constexpr int kHeldArrowId = 1;

    CUnitChangeStep(CUnitControl& control, UnitChange change)
        : m_control(control), m_change(std::move(change)) {}

    const UnitChange& Change() const { return m_change; }
    // The words of the step, made when the tips first need them rather than at every step
    // of a held arrow.
    void Word() {
        if (!m_worded) {
            setText(m_change.Text());
            m_worded = true;
        }
    }

    void undo() override { m_control.Replay(m_change, true); }
    void redo() override {
        if (m_done) {
            m_control.Replay(m_change, false);
        }
        m_done = true;
    }
    int id() const override { return m_change.gesture != 0 ? kHeldArrowId : -1; }
    // The steps of one held arrow are one step: from the first one's values to the last's.
    bool mergeWith(const QUndoCommand* other) override {
        const UnitChange& next = static_cast<const CUnitChangeStep*>(other)->m_change;
        if (next.gesture != m_change.gesture || next.kind != m_change.kind ||
            next.field != m_change.field || next.units.size() != 1 ||
            !(next.units.front().ref == m_change.units.front().ref)) {
            return false;
        }
        m_change.units.front().after = next.units.front().after;
        m_worded = false;
        return true;
    }

private:
    CUnitControl& m_control;
    UnitChange m_change;
    bool m_done = false;
    bool m_worded = false;
};

void WordStep(QUndoStack& stack, int index) {
    if (index >= 0 && index < stack.count()) {
        static_cast<CUnitChangeStep*>(const_cast<QUndoCommand*>(stack.command(index)))->Word();
    }
}

}  // namespace

CUndoHistory::CUndoHistory(StudioManager& manager, CUnitControl& control, Host host,
                           QObject* parent)
    : QObject(parent), m_manager(manager), m_control(control), m_host(std::move(host)) {
    m_undo = new QAction(ToolIcon(kToolUndoImage), QStringLiteral("Undo"), this);
    m_undo->setObjectName(QStringLiteral("toolUndo"));
    m_undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_redo = new QAction(ToolIcon(kToolRedoImage), QStringLiteral("Redo"), this);
    m_redo->setObjectName(QStringLiteral("toolRedo"));
    m_redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    m_undoKeys = m_undo->shortcut().toString(QKeySequence::NativeText);
    m_redoKeys = m_redo->shortcut().toString(QKeySequence::NativeText);
    connect(m_undo, &QAction::triggered, this, &CUndoHistory::Undo);
    connect(m_redo, &QAction::triggered, this, &CUndoHistory::Redo);
    for (auto& stack : m_stacks) {
        stack = std::make_unique<QUndoStack>();
        stack->setUndoLimit(kStepLimit);
        connect(stack.get(), &QUndoStack::indexChanged, this, &CUndoHistory::Refresh);
    }
    connect(&control, &CUnitControl::changed, this, &CUndoHistory::Record);
    Refresh();
    RefreshTips();
}

CUndoHistory::~CUndoHistory() = default;

QUndoStack* CUndoHistory::StackOf(int studioNum) const {
    if (studioNum < 0 || studioNum >= kStudioCount) {
        return nullptr;
    }
    return m_stacks[static_cast<size_t>(studioNum)].get();
}

QUndoStack* CUndoHistory::WorkedStack() const {
    const StudioData* studio = CurrentStudio(m_manager);
    if (studio == nullptr) {
        studio = m_manager.activeStudio;
    }
    return studio != nullptr ? StackOf(studio->nStudioNum) : nullptr;
}

void CUndoHistory::Record(const UnitChange& change) {
    if (QUndoStack* stack = StackOf(change.studioNum)) {
        stack->push(new CUnitChangeStep(m_control, change));
    }
}

void CUndoHistory::Forget(int studioNum) {
    if (QUndoStack* stack = StackOf(studioNum)) {
        stack->clear();
    }
    Refresh();
}

void CUndoHistory::Refresh() {
    QUndoStack* stack = WorkedStack();
    const bool canUndo = stack != nullptr && stack->canUndo();
    const bool canRedo = stack != nullptr && stack->canRedo();
    // At once: a key pressed next finds the actions as they are.
    m_undo->setEnabled(canUndo);
    m_redo->setEnabled(canRedo);
    // The tips once the event loop comes round: a held arrow's steps are worded once.
    if (!m_tipsDue) {
        m_tipsDue = true;
        QTimer::singleShot(0, this, &CUndoHistory::RefreshTips);
    }
}

void CUndoHistory::RefreshTips() {
    m_tipsDue = false;
    QUndoStack* stack = WorkedStack();
    const bool canUndo = stack != nullptr && stack->canUndo();
    const bool canRedo = stack != nullptr && stack->canRedo();
    if (canUndo) {
        WordStep(*stack, stack->index() - 1);
    }
    if (canRedo) {
        WordStep(*stack, stack->index());
    }
    const QString undo =
        canUndo ? QStringLiteral("Undo %1").arg(stack->undoText()) : QStringLiteral("Undo");
    const QString redo =
        canRedo ? QStringLiteral("Redo %1").arg(stack->redoText()) : QStringLiteral("Redo");
    m_undo->setToolTip(QStringLiteral("%1 (%2)").arg(undo, m_undoKeys));
    m_redo->setToolTip(QStringLiteral("%1 (%2)").arg(redo, m_redoKeys));
}

bool CUndoHistory::Undo() {
    return Step(true);
}

bool CUndoHistory::Redo() {
    return Step(false);
}

bool CUndoHistory::Step(bool undo) {
    QUndoStack* stack = WorkedStack();
    const int index = stack != nullptr ? (undo ? stack->index() - 1 : stack->index()) : -1;
    if (stack == nullptr || index < 0 || index >= stack->count()) {
        return false;
    }
    const auto* step = static_cast<const CUnitChangeStep*>(stack->command(index));
    const QString why = Refusal(step->Change());
    if (!why.isEmpty()) {
        m_host.setStatusText(QStringLiteral("%1: %2").arg(
            undo ? QStringLiteral("Undo") : QStringLiteral("Redo"), why));
        return false;
    }
    m_host.setStatusText(QString());
    if (undo) {
        stack->undo();
    } else {
        stack->redo();
    }
    return true;
}

QString CUndoHistory::Refusal(const UnitChange& change) const {
    // A name reaches no unit: it can be taken back at any time.
    const bool sends = change.kind != UnitChange::Kind::kRename;
    if (sends && !m_host.isConnected()) {
        return QStringLiteral("not connected (Com)");
    }
    const StudioData* studio = m_manager.StudioAt(change.studioNum);
    if (studio == nullptr) {
        return QStringLiteral("the studio is gone");
    }
    // Until a scan or a roll call switches it, the dongle listens to its first group.
    const StudioData* dongle =
        m_manager.activeStudio != nullptr ? m_manager.activeStudio : m_manager.StudioAt(0);
    if (sends && dongle != studio) {
        return QStringLiteral("the dongle is on %1, not %2")
            .arg(dongle->sStudioName, studio->sStudioName);
    }
    for (const UnitChange::Unit& unit : change.units) {
        if (m_manager.Resolve(unit.ref) == nullptr) {
            return QStringLiteral("%1 is no longer in %2").arg(unit.Label(), studio->sStudioName);
        }
    }
    return {};
}
