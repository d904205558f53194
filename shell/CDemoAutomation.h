#pragma once

#include <QObject>
#include <QString>

class CMainFrame;
class QWidget;

// Hands-free runs for the demo, the screenshot and the start-up measurement. Inert unless
// one of these environment variables is set:
//   TARNEL_DEMO_AUTOCONNECT=1   after start, confirm the "Com Setting" dialog as it stands
//                               (the port Option.xml names), select Studio A, scan it and
//                               select its first unit
//   TARNEL_SCREENSHOT=<path>    as the above, then save a picture of the window and quit
//   TARNEL_DEMO_ROLLCALL=<ms>   after the scan, wait that long (for a unit to be taken away
//                               at the simulator), then check Studio A's units before the
//                               picture is taken
//   TARNEL_SCREENSHOT_OF=scan   the picture is of the scan dialog halfway through its wait
//   TARNEL_SCREENSHOT_OF=help   the picture is of the help window, opened after the scan
//   TARNEL_STARTUP_TIMING=1     print the wall-clock time of the first paint, in ns since
//                               the epoch ("first-paint-ns <n>"); =exit also quits then
// Progress lines go to standard error, prefixed "tarnel-remote:".
class CDemoAutomation : public QObject {
    Q_OBJECT
public:
    void Attach(CMainFrame& frame);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Run();
    void SelectFirstStudio();
    void SelectFirstUnit();
    void Finish();
    void Save(QWidget& window);

    CMainFrame* m_frame = nullptr;
    bool m_autoConnect = false;
    QString m_screenshot;
    QString m_screenshotOf;  // empty: the main window
    QString m_timing;
    int m_rollCallDelayMs = -1;  // none
    bool m_painted = false;
    bool m_saved = false;  // the picture was written
};
