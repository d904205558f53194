// tarnel-remote: the strobe remote control.
#include <QApplication>

#include "shell/CDemoAutomation.h"
#include "shell/CMainFrame.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnel Remote Control"));
    CDemoAutomation automation;  // inert unless its environment variables are set
    CMainFrame frame;
    automation.Attach(frame);
    frame.show();
    return QApplication::exec();
}
