#pragma once

#include <QBasicTimer>
#include <QDialog>
#include <QString>
#include <chrono>

class QLabel;

// "Channel scan": shows "<studio> scanning " and one more dot each second, and closes itself
// after the sixth. Closing it earlier ends only the waiting.
class CWaitingDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTickLimit = 6;
    static constexpr std::chrono::milliseconds kTickInterval{1000};

    CWaitingDlg(const QString& studioName, QWidget* parent = nullptr,
                std::chrono::milliseconds tickInterval = kTickInterval);

    QString Text() const { return m_text; }
    int Ticks() const { return m_ticks; }
    // One tick: one more dot; the sixth closes the dialog with the OK result.
    void Tick();

signals:
    void textChanged(const QString& text);

protected:
    void showEvent(QShowEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void done(int result) override;

private:
    QString m_text;
    int m_ticks = 0;
    std::chrono::milliseconds m_tickInterval;
    QBasicTimer m_timer;
    QLabel* m_label;
};
