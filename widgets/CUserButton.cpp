#include "widgets/CUserButton.h"

CUserButton::CUserButton(QWidget* parent) : QPushButton(parent) {
    setCheckable(true);
    SyncCaption();
    // toggled fires for clicks and for setChecked() from code alike.
    connect(this, &QAbstractButton::toggled, this, &CUserButton::SyncCaption);
}

QString CUserButton::CaptionFor(bool checked) {
    return checked ? QStringLiteral("Power\nOn") : QStringLiteral("Power\nOff");
}

void CUserButton::SyncCaption() {
    const QString caption = CaptionFor(isChecked());
    if (text() != caption) {
        setText(caption);
    }
}

void CUserButton::paintEvent(QPaintEvent* e) {
    // A caller may have set some other text; what is drawn must still match the state.
    SyncCaption();
    QPushButton::paintEvent(e);
}
