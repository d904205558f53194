#include "shell/CKeyCommands.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QFocusFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <algorithm>
#include <vector>

#include "model/StudioManager.h"
#include "navigation/CNavigationGrid.h"
#include "panels/CControlFormView.h"
#include "panels/CControlSelFormView.h"
#include "panels/CPowerControlSet.h"
#include "widgets/CFlatSliderCtrl.h"
#include "widgets/CFlatSpinButtonCtrl.h"

CKeyCommands::CKeyCommands(QWidget& window, CControlFormView& panel, CNavigationGrid& grid,
                           QWidget& studioList, StudioManager& manager)
    : m_window(window),
      m_panel(panel),
      m_grid(grid),
      m_manager(manager),
      m_panes{&studioList, &panel, grid.parentWidget()},
      m_focusFrame(new QFocusFrame(&window)) {
    // Application-wide: a key goes to the focused widget, and is seen here first.
    qApp->installEventFilter(this);
    OrderTabStops();
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        auto* view = qobject_cast<QAbstractScrollArea*>(now);
        m_focusFrame->setWidget(view != nullptr && view->window() == &m_window ? view : nullptr);
    });
}

CKeyCommands::~CKeyCommands() {
    qApp->removeEventFilter(this);
}

CKeyCommands::Command CKeyCommands::CommandOf(const QKeyEvent& key) {
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    if (modifiers & (Qt::AltModifier | Qt::MetaModifier)) {
        return Command::kNone;
    }
    // The key is the character typed: Shift has already made "=" a "+" on a US keyboard and
    // "-" a "_", so it takes no part here; Ctrl chooses the model power.
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    const bool plain = !ctrl && !modifiers.testFlag(Qt::ShiftModifier);
    switch (key.key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            return ctrl ? Command::kModelUp : Command::kFlashUp;
        case Qt::Key_Minus:
        case Qt::Key_Underscore:
            return ctrl ? Command::kModelDown : Command::kFlashDown;
        case Qt::Key_PageUp:
            return plain ? Command::kPageUp : Command::kNone;
        case Qt::Key_PageDown:
            return plain ? Command::kPageDown : Command::kNone;
        case Qt::Key_T:
            return ctrl ? Command::kNone : Command::kTest;
        case Qt::Key_Space:
            return plain ? Command::kTick : Command::kNone;
        default:
            return Command::kNone;
    }
}

bool CKeyCommands::FocusKeeps(const QWidget* focus, Command command) {
    if (qobject_cast<const QLineEdit*>(focus) != nullptr ||
        qobject_cast<const QPlainTextEdit*>(focus) != nullptr ||
        qobject_cast<const QTextEdit*>(focus) != nullptr ||
        qobject_cast<const QAbstractSpinBox*>(focus) != nullptr) {
        return true;
    }
    switch (command) {
        case Command::kTick:
            return qobject_cast<const QAbstractButton*>(focus) != nullptr ||
                   qobject_cast<const QComboBox*>(focus) != nullptr;
        case Command::kPageUp:
        case Command::kPageDown:
            return qobject_cast<const QAbstractSlider*>(focus) != nullptr;
        default:
            return false;
    }
}

void CKeyCommands::Perform(Command command) {
    // The panel the operator sees: the selected-units panel exists once it was shown.
    const CPowerControlSet& controls =
        m_panel.ComboIndex() == 1 ? m_panel.SelectionPanel()->Controls() : m_panel.Controls();
    switch (command) {
        case Command::kFlashUp:
        case Command::kFlashDown:
            controls.flashSpin->StepArrow(command == Command::kFlashUp);
            break;
        case Command::kModelUp:
        case Command::kModelDown:
            controls.modelSpin->StepArrow(command == Command::kModelUp);
            break;
        case Command::kPageUp:
        case Command::kPageDown:
            if (controls.flashSlider->isVisible()) {
                controls.flashSlider->PageStep(command == Command::kPageUp);
            }
            break;
        case Command::kTest:
            // click() does nothing on a disabled button; a hidden one is not the shown panel's.
            if (controls.testButton->isVisible()) {
                controls.testButton->click();
            }
            break;
        case Command::kTick:
            m_grid.ToggleUnitTick(CurrentUnit(m_manager));
            break;
        case Command::kNone:
            break;
    }
}

bool CKeyCommands::OnKeyPress(QWidget* receiver, const QKeyEvent& key) {
    // Once, where the key arrives: an unaccepted key travels on to the parents.
    QWidget* focus = QApplication::focusWidget();
    if (receiver->window() != &m_window || (receiver != focus && focus != nullptr) ||
        QApplication::activeModalWidget() != nullptr ||
        QApplication::activePopupWidget() != nullptr) {
        return false;
    }
    const Command command = CommandOf(key);
    if (command == Command::kNone || FocusKeeps(receiver, command)) {
        return false;
    }
    // A held key repeats: flash power may climb, a test flash may not.
    if (!key.isAutoRepeat() || (command != Command::kTest && command != Command::kTick)) {
        Perform(command);
    }
    return true;
}

bool CKeyCommands::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress && watched->isWidgetType()) {
        const auto& key = *static_cast<QKeyEvent*>(e);
        // Ordered when Tab is pressed: the panel's new controls exist by then.
        if (m_orderStale && (key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab)) {
            m_orderStale = false;
            OrderTabStops();
        }
        return OnKeyPress(static_cast<QWidget*>(watched), key);
    }
    if (e->type() == QEvent::ChildAdded && watched == &m_panel) {
        m_orderStale = true;
    }
    return false;
}

void CKeyCommands::OrderTabStops() {
    const QList<QWidget*> single = m_panel.Controls().SettingControls();
    std::vector<QWidget*> stops;
    for (QWidget* pane : m_panes) {
        if (pane == nullptr) {
            continue;
        }
        // Within a pane, the order its controls were made in; the selected-units panel's
        // take the single-unit controls' place.
        std::vector<QWidget*> own;
        std::vector<QWidget*> selection;
        auto insertAt = own.end();
        int lastSingle = -1;
        for (QWidget* w = m_window.nextInFocusChain(); w != &m_window; w = w->nextInFocusChain()) {
            if (!pane->isAncestorOf(w) || !(w->focusPolicy() & Qt::TabFocus)) {
                continue;
            }
            if (pane == &m_panel && qobject_cast<CControlSelFormView*>(w->parentWidget())) {
                selection.push_back(w);
                continue;
            }
            own.push_back(w);
            if (single.contains(w)) {
                lastSingle = static_cast<int>(own.size());
            }
        }
        insertAt = lastSingle >= 0 ? own.begin() + lastSingle : own.end();
        own.insert(insertAt, selection.begin(), selection.end());
        stops.insert(stops.end(), own.begin(), own.end());
    }
    for (size_t i = 1; i < stops.size(); ++i) {
        QWidget::setTabOrder(stops[i - 1], stops[i]);
    }
}
