#pragma once

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

class CFlatSpinButtonCtrl;

// The flat spin as assistive technology sees it: a spin button named after its group, whose
// value is what the label beside it shows, with increase and decrease actions that step it as
// its arrows do (and do nothing while it is disabled or hidden). It has no value of its own to
// set: a step is the only change it makes.
class CFlatSpinAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit CFlatSpinAccessible(CFlatSpinButtonCtrl* spin);

    // Makes the interface for every flat spin; installed once, by the first spin.
    static QAccessibleInterface* Factory(const QString& key, QObject* object);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    CFlatSpinButtonCtrl* Spin() const;
};
