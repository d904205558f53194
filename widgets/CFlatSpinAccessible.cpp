#include "widgets/CFlatSpinAccessible.h"

#include <QLabel>

#include "widgets/CFlatSpinButtonCtrl.h"

CFlatSpinAccessible::CFlatSpinAccessible(CFlatSpinButtonCtrl* spin)
    : QAccessibleWidget(spin, QAccessible::SpinBox) {}

QAccessibleInterface* CFlatSpinAccessible::Factory(const QString& key, QObject* object) {
    if (key == QLatin1StringView("CFlatSpinButtonCtrl")) {
        if (auto* spin = qobject_cast<CFlatSpinButtonCtrl*>(object)) {
            return new CFlatSpinAccessible(spin);
        }
    }
    return nullptr;
}

CFlatSpinButtonCtrl* CFlatSpinAccessible::Spin() const {
    return static_cast<CFlatSpinButtonCtrl*>(widget());
}

void* CFlatSpinAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface) {
        return static_cast<QAccessibleValueInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

QString CFlatSpinAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Value) {
        return Spin()->ValueText();
    }
    return QAccessibleWidget::text(t);
}

QStringList CFlatSpinAccessible::actionNames() const {
    return QStringList{increaseAction(), decreaseAction()} << QAccessibleWidget::actionNames();
}

void CFlatSpinAccessible::doAction(const QString& actionName) {
    if (actionName == increaseAction()) {
        Spin()->StepArrow(true);
    } else if (actionName == decreaseAction()) {
        Spin()->StepArrow(false);
    } else {
        QAccessibleWidget::doAction(actionName);
    }
}

QStringList CFlatSpinAccessible::keyBindingsForAction(const QString& actionName) const {
    if (actionName == increaseAction()) {
        return {QStringLiteral("Up")};
    }
    if (actionName == decreaseAction()) {
        return {QStringLiteral("Down")};
    }
    return QAccessibleWidget::keyBindingsForAction(actionName);
}

QVariant CFlatSpinAccessible::currentValue() const {
    // "OFF" or an empty label is no number: then there is no value to give.
    bool ok = false;
    const double value = Spin()->ValueText().toDouble(&ok);
    return ok ? QVariant(value) : QVariant();
}

void CFlatSpinAccessible::setCurrentValue(const QVariant&) {}

QVariant CFlatSpinAccessible::maximumValue() const {
    return {};
}

QVariant CFlatSpinAccessible::minimumValue() const {
    return {};
}

QVariant CFlatSpinAccessible::minimumStepSize() const {
    return 0.1;
}
