#pragma once

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

// Runs action on the first modal dialog of type T once it is shown (from inside its exec), so
// a test can answer a dialog that blocks the call that opened it.
template <class T>
void WhenModal(QObject* context, std::function<void(T*)> action) {
    auto* poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, context, [poll, action] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
            dialog && dialog->isVisible()) {
            poll->stop();
            poll->deleteLater();
            action(dialog);
        }
    });
    poll->start(5);
}

// Clicks the action named actionName of the first pop-up menu once it is shown (menus run an
// event loop of their own, like modal dialogs). A menu without that action is closed with a
// warning, so whatever the test waits for next does not come.
inline void WhenMenu(QObject* context, const QString& actionName) {
    auto* poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, context, [poll, actionName] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            poll->stop();
            poll->deleteLater();
            QAction* action = menu->findChild<QAction*>(actionName);
            if (action == nullptr) {
                qWarning("WhenMenu: the menu has no action %s", qPrintable(actionName));
                menu->close();
                return;
            }
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        }
    });
    poll->start(5);
}
