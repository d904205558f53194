#include "shell/CWaitingDlg.h"

#include <QLabel>
#include <QTimerEvent>
#include <QVBoxLayout>

CWaitingDlg::CWaitingDlg(const QString& studioName, QWidget* parent,
                         std::chrono::milliseconds tickInterval)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      m_text(studioName + QStringLiteral(" scanning ")),
      m_tickInterval(tickInterval),
      m_label(new QLabel(m_text)) {
    setWindowTitle(QStringLiteral("Channel scan"));
    m_label->setObjectName(QStringLiteral("scanText"));
    m_label->setMinimumWidth(220);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    setAccessibleName(windowTitle());
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
