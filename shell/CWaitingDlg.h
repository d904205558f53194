#pragma once

#include <QBasicTimer>
#include <QDialog>
#include <QString>
#include <chrono>
#include <functional>

class CUnitControl;
class QLabel;
class QProgressBar;

// "Channel scan": shows "<studio> scanning " and one more dot each second, a progress bar
// over the six seconds and how many units have answered so far, and closes itself after the
// sixth. Cancel (or Escape) ends only the waiting: what has answered stays.
class CWaitingDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTickLimit = 6;
    static constexpr std::chrono::milliseconds kTickInterval{1000};
    // How many units have answered so far; asked again after each report (RecountOn).
    using AnswerCount = std::function<int()>;

    CWaitingDlg(const QString& studioName, QWidget* parent = nullptr,
                std::chrono::milliseconds tickInterval = kTickInterval,
                AnswerCount answered = AnswerCount());

    QString Text() const { return m_text; }
    int Ticks() const { return m_ticks; }
    QString AnsweredText() const;
    QProgressBar* Progress() const { return m_progress; }
    // One tick: one more dot; the sixth closes the dialog with the OK result.
    void Tick();
    // Shows the answer count anew.
    void Recount();
    // The count is asked again after each report the core hears of.
    void RecountOn(const CUnitControl& core);

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
    AnswerCount m_answered;
    QBasicTimer m_timer;
    QLabel* m_label;
    QLabel* m_count;
    QProgressBar* m_progress;
};
