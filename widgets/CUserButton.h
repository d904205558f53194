#pragma once

#include <QPushButton>

// The power button of both control panels: a push-like check box whose two-line caption
// always says the unit's power state ("Power\nOn" / "Power\nOff").
class CUserButton : public QPushButton {
    Q_OBJECT
public:
    explicit CUserButton(QWidget* parent = nullptr);

    static QString CaptionFor(bool checked);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    void SyncCaption();
};
