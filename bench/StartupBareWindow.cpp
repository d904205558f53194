// The yardstick for tarnel-remote's start-up: a bare main window of the same size with a tool
// bar of five 30 x 30 drawn images and a status bar of two labels, and nothing else. It
// prints the same lines at its first paint as tarnel-remote does under
// TARNEL_STARTUP_TIMING=exit, then quits; scripts/measure-startup.sh runs the two in turn.
#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <cstdio>

namespace {

class CFirstPaint : public QObject {
public:
    explicit CFirstPaint(QWidget* window) : m_window(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == m_window && e->type() == QEvent::Paint && !m_painted) {
            m_painted = true;
            QTimer::singleShot(0, [] {
                std::printf(
                    "first-paint-ns %lld\n",
                    static_cast<long long>(QDateTime::currentMSecsSinceEpoch()) * 1000000LL);
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
                QApplication::quit();
            });
        }
        return false;
    }

private:
    QWidget* m_window;
    bool m_painted = false;
};

QIcon DrawnIcon(int index) {
    QPixmap pixmap(30, 30);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor::fromHsv(index * 60, 160, 200));
    p.drawEllipse(QRectF(4, 4, 22, 22));
    return QIcon(pixmap);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    QToolBar* tools = window.addToolBar(QStringLiteral("Toolbar"));
    tools->setIconSize(QSize(30, 30));
    for (int i = 0; i < 5; ++i) {
        tools->addAction(new QAction(DrawnIcon(i), QStringLiteral("Tool %1").arg(i), &window));
    }
    auto* text = new QLabel(QStringLiteral(" "));
    text->setFixedWidth(500);
    auto* link = new QLabel(QStringLiteral("Zigbee disconnected"));
    link->setFixedWidth(150);
    window.statusBar()->addPermanentWidget(text);
    window.statusBar()->addPermanentWidget(link);
    window.resize(800, 500);
    CFirstPaint timing(&window);
    window.show();
    return QApplication::exec();
}
