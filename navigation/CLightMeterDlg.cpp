#include "navigation/CLightMeterDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "control/CUnitControl.h"
#include "control/MeterStep.h"
#include "host/CFrameHost.h"
#include "model/PowerValue.h"
#include "model/StudioManager.h"

CLightMeterDlg::CLightMeterDlg(const QString& unitName, Apply apply, QWidget* parent)
    : QDialog(parent), m_apply(std::move(apply)) {
    setWindowTitle(QStringLiteral("Light meter: %1").arg(unitName));
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(QStringLiteral("Fire %1 alone with Test, then type what the meter "
                                           "reads and the aperture you want.")
                                .arg(unitName),
                            this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    auto* form = new QFormLayout;
    m_reading = new QLineEdit(this);
    m_reading->setObjectName(QStringLiteral("reading"));
    m_reading->setPlaceholderText(QStringLiteral("8.0 +0.3"));
    m_reading->setAccessibleName(QStringLiteral("Meter reading"));
    m_wanted = new QLineEdit(this);
    m_wanted->setObjectName(QStringLiteral("wanted"));
    m_wanted->setPlaceholderText(QStringLiteral("11"));
    m_wanted->setAccessibleName(QStringLiteral("Aperture wanted"));
    form->addRow(QStringLiteral("Meter &reading f/"), m_reading);
    form->addRow(QStringLiteral("Aperture &wanted f/"), m_wanted);
    layout->addLayout(form);
    m_answer = new QLabel(this);
    m_answer->setObjectName(QStringLiteral("answer"));
    m_answer->setWordWrap(true);
    layout->addWidget(m_answer);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* set = buttons->addButton(QStringLiteral("&Set"), QDialogButtonBox::ApplyRole);
    set->setObjectName(QStringLiteral("set"));
    set->setDefault(true);
    connect(set, &QPushButton::clicked, this, &CLightMeterDlg::OnSet);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QString CLightMeterDlg::Answer() const {
    return m_answer->text();
}

void CLightMeterDlg::OnSet() {
    const auto reading = ApertureTenths(m_reading->text());
    const auto wanted = ApertureTenths(m_wanted->text());
    if (!reading || !wanted) {
        m_answer->setText(
            QStringLiteral("Type f-numbers as the meter shows them, for example "
                           "8.0 +0.3 and 11; nothing was set."));
        (reading ? m_wanted : m_reading)->setFocus();
        return;
    }
    m_answer->setText(m_apply(*reading, *wanted, m_wanted->text()));
}

void CLightMeterDlg::OpenFor(CFrameHost& host, const UnitRef& ref, QWidget* parent) {
    const StrobeData* shown = host.Manager().Resolve(ref);
    if (shown == nullptr) {
        return;
    }
    CLightMeterDlg dialog(
        shown->sChName,
        [&host, ref](int reading, int wanted, const QString& wantedText) {
            StrobeData* unit = host.Manager().Resolve(ref);
            if (unit == nullptr || !host.IsConnected()) {
                return QStringLiteral("Nothing was set: the unit is gone or not connected.");
            }
            // Power values are stops: the flash moves by the difference, as its slider would.
            const MeterStep step = MeterPower(unit->nFlashValue, reading, wanted);
            int flash = unit->nFlashValue;
            int model = unit->nModelValue;
            const bool propLink = unit->nModelMode1 == 1;
            TrackPower(flash, model, step.flashTenths, propLink);
            host.Control().SetPower(*unit, CUnitControl::Power::kFlash, flash, model, propLink);
            return MeterText(unit->sChName, step, wantedText);
        },
        parent);
    dialog.exec();
}
