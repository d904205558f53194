#include "shell/CDemoAutomation.h"

#include <QApplication>
#include <QDateTime>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>

#include "model/StudioManager.h"
#include "shell/CComSettingDlg.h"
#include "shell/CHelpWindow.h"
#include "shell/CMainFrame.h"

namespace {

void Say(const QString& line) {
    std::fprintf(stderr, "tarnel-remote: %s\n", qPrintable(line));
    std::fflush(stderr);
}

int UnitCount(const StudioData& studio) {
    int count = 0;
    for (const auto& unit : studio.pUnits) {
        count += unit ? 1 : 0;
    }
    return count;
}

}  // namespace

void CDemoAutomation::Attach(CMainFrame& frame) {
    m_frame = &frame;
    m_autoConnect = qEnvironmentVariable("TARNEL_DEMO_AUTOCONNECT") == QLatin1String("1");
    m_screenshot = qEnvironmentVariable("TARNEL_SCREENSHOT");
    m_screenshotOf = qEnvironmentVariable("TARNEL_SCREENSHOT_OF");
    m_timing = qEnvironmentVariable("TARNEL_STARTUP_TIMING");
    bool delayGiven = false;
    const int delay = qEnvironmentVariableIntValue("TARNEL_DEMO_ROLLCALL", &delayGiven);
    m_rollCallDelayMs = delayGiven ? delay : -1;
    if (!m_timing.isEmpty()) {
        frame.installEventFilter(this);
    }
    if (m_autoConnect || !m_screenshot.isEmpty()) {
        QTimer::singleShot(300, this, &CDemoAutomation::Run);
    }
}

bool CDemoAutomation::eventFilter(QObject* watched, QEvent* e) {
    if (watched == m_frame && e->type() == QEvent::Paint && !m_painted) {
        m_painted = true;
        // Taken once the paint has been handled and shown.
        QTimer::singleShot(0, this, [this] {
            std::printf("first-paint-ns %lld\n",
                        static_cast<long long>(QDateTime::currentMSecsSinceEpoch()) * 1000000LL);
            // Resident memory at that moment, compared with a bare window's.
            QFile status(QStringLiteral("/proc/self/status"));
            if (status.open(QIODevice::ReadOnly)) {
                for (const QByteArray& line : status.readAll().split('\n')) {
                    if (line.startsWith("VmRSS:")) {
                        std::printf("first-paint-rss-kb %s\n",
                                    line.mid(6).trimmed().split(' ').first().constData());
                    }
                }
            }
            std::fflush(stdout);
            if (m_timing == QLatin1String("exit")) {
                QApplication::quit();
            }
        });
    }
    return false;
}

void CDemoAutomation::SelectFirstStudio() {
    // Through the studio list, as an operator's click would go; the model directly when the
    // list has no tree to click in.
    if (auto* tree =
            qobject_cast<QWidget*>(m_frame->StudioListPane())
                ? qobject_cast<QWidget*>(m_frame->StudioListPane())->findChild<QTreeWidget*>()
                : nullptr;
        tree && tree->topLevelItemCount() > 0) {
        tree->setCurrentItem(tree->topLevelItem(0));
    }
    if (!m_frame->Manager().currentNode) {
        m_frame->Manager().currentNode = m_frame->Manager().StudioAt(0);
    }
}

void CDemoAutomation::SelectFirstUnit() {
    // So that the Remote Control panel shows a unit.
    auto* list = qobject_cast<QWidget*>(m_frame->StudioListPane());
    auto* tree = list ? list->findChild<QTreeWidget*>() : nullptr;
    QTreeWidgetItem* studio = tree ? tree->topLevelItem(0) : nullptr;
    if (studio && studio->childCount() > 0) {
        studio->setExpanded(true);
        tree->setCurrentItem(studio->child(0));
    }
}

void CDemoAutomation::Run() {
    // Confirm the Com dialog as soon as it is up.
    auto* confirm = new QTimer(this);
    connect(confirm, &QTimer::timeout, this, [confirm] {
        if (auto* dialog = qobject_cast<CComSettingDlg*>(QApplication::activeModalWidget())) {
            dialog->accept();
            confirm->deleteLater();
        }
    });
    confirm->start(50);
    m_frame->OnCom();
    Say(m_frame->IsConnected()
            ? QStringLiteral("connected to %1").arg(m_frame->Settings().sComPort)
            : QStringLiteral("could not open port \"%1\"").arg(m_frame->Settings().sComPort));

    SelectFirstStudio();
    if (m_screenshotOf == QLatin1String("scan")) {
        // Halfway through the six seconds, some units have answered.
        QTimer::singleShot(3500, this, [this] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                Save(*dialog);
            }
        });
    }
    m_frame->OnScan();
    const StudioData* studio = m_frame->Manager().StudioAt(0);
    Say(QStringLiteral("scan done, %1 units").arg(studio ? UnitCount(*studio) : 0));
    SelectFirstUnit();

    if (m_rollCallDelayMs >= 0) {
        QTimer::singleShot(m_rollCallDelayMs, this, [this] {
            m_frame->OnCheckUnits();
            Say(QStringLiteral("roll call done: %1").arg(m_frame->StatusPane(0)->text()));
            Finish();
        });
        return;
    }
    Finish();
}

void CDemoAutomation::Finish() {
    if (m_screenshot.isEmpty()) {
        return;
    }
    if (m_screenshotOf == QLatin1String("scan")) {
        // Taken during the scan.
        QApplication::exit(m_saved ? 0 : 1);
        return;
    }
    if (m_screenshotOf == QLatin1String("help")) {
        m_frame->OnHelp();
    }
    QTimer::singleShot(500, this, [this] {
        QWidget* window = m_screenshotOf == QLatin1String("help")
                              ? static_cast<QWidget*>(m_frame->HelpWindow())
                              : static_cast<QWidget*>(m_frame);
        Save(*window);
        QApplication::exit(m_saved ? 0 : 1);
    });
}

void CDemoAutomation::Save(QWidget& window) {
    const bool saved = window.grab().save(m_screenshot);
    m_saved = m_saved || saved;
    Say(saved ? QStringLiteral("screenshot written to %1").arg(m_screenshot)
              : QStringLiteral("could not write %1").arg(m_screenshot));
}
