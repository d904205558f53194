#include "shell/CWaitingDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimerEvent>
#include <QVBoxLayout>

#include "control/CUnitControl.h"
#include "link/AppMessages.h"

CWaitingDlg::CWaitingDlg(const QString& studioName, QWidget* parent,
                         std::chrono::milliseconds tickInterval, AnswerCount answered)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      m_text(studioName + QStringLiteral(" scanning ")),
      m_tickInterval(tickInterval),
      m_answered(std::move(answered)),
      m_label(new QLabel(m_text)),
      m_count(new QLabel),
      m_progress(new QProgressBar) {
    setWindowTitle(QStringLiteral("Channel scan"));
    m_label->setObjectName(QStringLiteral("scanText"));
    m_label->setMinimumWidth(220);
    m_progress->setObjectName(QStringLiteral("scanProgress"));
    m_progress->setRange(0, kTickLimit);
    m_progress->setValue(0);
    m_progress->setFormat(QStringLiteral("%v of %m s"));
    m_progress->setAccessibleName(QStringLiteral("Waiting for answers"));
    m_count->setObjectName(QStringLiteral("answeredText"));
    auto* buttons = new QDialogButtonBox;
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setToolTip(QStringLiteral("Stop waiting; the units that answered stay"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_progress);
    layout->addWidget(m_count);
    layout->addWidget(buttons);
    setAccessibleName(windowTitle());
    Recount();
}

void CWaitingDlg::RecountOn(const CUnitControl& core) {
    // Asked again once the report is handled, whatever its kind: each is an answer.
    for (auto signal : {&CUnitControl::unitAdded, &CUnitControl::unitReported}) {
        connect(&core, signal, this, &CWaitingDlg::Recount, Qt::QueuedConnection);
    }
    for (auto signal : {&CUnitControl::unitChanged, &CUnitControl::unitRead}) {
        connect(&core, signal, this, &CWaitingDlg::Recount, Qt::QueuedConnection);
    }
}

QString CWaitingDlg::AnsweredText() const {
    return m_count->text();
}

void CWaitingDlg::Recount() {
    const int n = m_answered ? m_answered() : 0;
    m_count->setText(n == 1 ? QStringLiteral("1 unit answered")
                            : QStringLiteral("%1 units answered").arg(n));
}

void CWaitingDlg::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!m_timer.isActive() && m_ticks < kTickLimit) {
        m_timer.start(static_cast<int>(m_tickInterval.count()), this);
    }
}

void CWaitingDlg::timerEvent(QTimerEvent* e) {
    if (e->timerId() != m_timer.timerId()) {
        QDialog::timerEvent(e);
        return;
    }
    Tick();
}

void CWaitingDlg::Tick() {
    if (m_ticks >= kTickLimit) {
        return;
    }
    ++m_ticks;
    m_text += QLatin1Char('.');
    m_label->setText(m_text);
    m_progress->setValue(m_ticks);
    Recount();
    emit textChanged(m_text);
    if (m_ticks >= kTickLimit) {
        m_timer.stop();
        accept();
    }
}

void CWaitingDlg::done(int result) {
    m_timer.stop();
    QDialog::done(result);
}
