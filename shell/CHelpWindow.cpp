#include "shell/CHelpWindow.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "store/CXmlStore.h"

namespace {

QString Row(const QString& key, const QString& what) {
    return QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>").arg(key, what);
}

}  // namespace

CHelpWindow::CHelpWindow(const QString& baseFolder, QWidget* parent)
    : QDialog(parent), m_baseFolder(baseFolder), m_text(new QTextBrowser) {
    setWindowTitle(QStringLiteral("Tarnel Remote Control Help"));
    setAccessibleName(windowTitle());
    setObjectName(QStringLiteral("helpWindow"));
    // Beside the main window, not a window of its own for quitting: it goes with the frame.
    setAttribute(Qt::WA_QuitOnClose, false);
    m_text->setObjectName(QStringLiteral("helpText"));
    m_text->setOpenLinks(false);
    m_text->setHtml(HelpHtml(baseFolder));
    auto* buttons = new QDialogButtonBox;
    QPushButton* about = buttons->addButton(QStringLiteral("About"), QDialogButtonBox::HelpRole);
    about->setObjectName(QStringLiteral("about"));
    QPushButton* close = buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("close"));
    connect(about, &QPushButton::clicked, this, [this] { ShowAbout(m_baseFolder, this); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
    resize(560, 560);
}

QString CHelpWindow::HelpHtml(const QString& baseFolder) {
    const QString folder = QDir::toNativeSeparators(QDir(baseFolder).absolutePath());
    QString html = QStringLiteral(
        "<h3>Getting going</h3><p>Press <b>Com</b> (Ctrl+K), choose "
        "the dongle's port and press <b>Ok</b>. Choose a studio in the "
        "studio list and press <b>Scan</b> (F5): its units appear "
        "within six seconds. Pick a unit in the grid or the studio "
        "list and set it in the Remote Control panel.</p>");
    html += QStringLiteral("<h3>Keys</h3><table cellspacing=\"4\">");
    html += Row(QStringLiteral("+ / -"), QStringLiteral("flash power up / down (also = and _, "
                                                        "and the number pad's + and -)"));
    html += Row(QStringLiteral("Ctrl with + / -"), QStringLiteral("model power up / down"));
    html += Row(QStringLiteral("Page Up / Page Down"), QStringLiteral("flash power 1.0 up / down"));
    html += Row(QStringLiteral("T"), QStringLiteral("Test flash"));
    html += Row(QStringLiteral("Space"), QStringLiteral("tick or clear the current unit"));
    html += Row(QStringLiteral("Arrow keys"), QStringLiteral("another unit, in the grid"));
    html += Row(QStringLiteral("Ctrl+O / Ctrl+S"), QStringLiteral("load / save a Business "
                                                                  "Memory"));
    html += Row(QStringLiteral("F5"), QStringLiteral("Scan the chosen studio"));
    html += Row(QStringLiteral("Ctrl+R"), QStringLiteral("Check units of the chosen studio"));
    html += Row(QStringLiteral("Ctrl+Z / Ctrl+Shift+Z, Ctrl+Y"),
                QStringLiteral("undo / redo the last change to the units"));
    html += Row(QStringLiteral("F2"), QStringLiteral("Name: rename the chosen unit or light"));
    html += Row(QStringLiteral("Ctrl+K"), QStringLiteral("Com: the dongle's port"));
    html += Row(QStringLiteral("F1"), QStringLiteral("this help"));
    html += Row(QStringLiteral("Ctrl+Q"), QStringLiteral("quit"));
    html += QStringLiteral("</table>");
    html += QStringLiteral(
        "<h3>The grid's icons</h3><p>Green is on, grey is off; the mouse "
        "over an icon says its state.</p><table cellspacing=\"4\">");
    html += Row(QStringLiteral("P"), QStringLiteral("Model mode: Prop (flash and model power "
                                                    "move together) or Free"));
    html += Row(QStringLiteral("C"), QStringLiteral("Modelling lamp: Continous or Flash Prop"));
    html += Row(QStringLiteral("Eye"), QStringLiteral("Photo cell: on or off"));
    html += Row(QStringLiteral("Note"), QStringLiteral("Sound: the sound trigger on or off"));
    html += Row(QStringLiteral("Lightning"), QStringLiteral("Charged, or Charging"));
    html += QStringLiteral(
        "</table><p>A unit shown as <b>No answer</b> stayed silent in the "
        "last Check units.</p>");
    html += QStringLiteral(
                "<h3>Files</h3><p>The port is kept in <b>%1</b> and the Business "
                "Memory files in the folder <b>%2</b>, both in %3. The frame log is "
                "written only when the program is started with <b>--trace FILE</b>, "
                "to FILE.</p>")
                .arg(QString::fromLatin1(kOptionFile), QString::fromLatin1(kBusinessMemoryFolder),
                     folder.toHtmlEscaped());
    return html;
}

QString CHelpWindow::AboutText(const QString& baseFolder) {
    return QStringLiteral(
               "<p><b>Tarnel Remote Control</b> %1</p>"
               "<p>Remote control for studio strobes through a radio dongle.</p>"
               "<p>Copyright 2026 Tarnel Remote Control developers. Proprietary "
               "licence: all rights reserved.</p>"
               "<p>Files are kept in %2</p>")
        .arg(QCoreApplication::applicationVersion().toHtmlEscaped(),
             QDir::toNativeSeparators(QDir(baseFolder).absolutePath()).toHtmlEscaped());
}

void CHelpWindow::ShowAbout(const QString& baseFolder, QWidget* parent) {
    QMessageBox::about(parent, QStringLiteral("About Tarnel Remote Control"),
                       AboutText(baseFolder));
}
