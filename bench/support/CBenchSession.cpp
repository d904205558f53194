#include "support/CBenchSession.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QTreeWidget>

#include "model/StudioManager.h"
#include "shell/CComSettingDlg.h"
#include "shell/CMainFrame.h"
#include "support/CSimProcess.h"

CBenchSession::CBenchSession() : m_oldRuntime(qgetenv("XDG_RUNTIME_DIR")) {
    if (m_dir.isValid()) {
        // The Com dialog lists the ports that simulators publish here.
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.path()));
    }
}

CBenchSession::~CBenchSession() {
    qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
}

bool CBenchSession::StartSim(CSimProcess& sim, const QStringList& args) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
    return sim.Start(args, env);
}

bool CBenchSession::Connect(CMainFrame& frame, const CSimProcess& sim) {
    return Connect(frame, sim.DevicePath());
}

bool CBenchSession::Connect(CMainFrame& frame, const QString& device) {
    bool chosen = false;
    auto* poll = new QTimer(&frame);
    QObject::connect(poll, &QTimer::timeout, &frame, [poll, &device, &chosen] {
        auto* dialog = qobject_cast<CComSettingDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        QComboBox* ports = dialog->PortList();
        for (int i = 0; i < ports->count(); ++i) {
            const QFileInfo entry(ports->itemText(i));
            if (entry.isSymLink() && entry.symLinkTarget() == device) {
                ports->setCurrentIndex(i);
                chosen = true;
            }
        }
        if (chosen) {
            dialog->accept();
        } else {
            dialog->reject();
        }
    });
    poll->start(5);
    frame.OnCom();
    return chosen && frame.IsConnected();
}

int CBenchSession::ScanStudioA(CMainFrame& frame) {
    return ScanStudio(frame, 0);
}

int CBenchSession::ScanStudio(CMainFrame& frame, int index) {
    auto* list = qobject_cast<QWidget*>(frame.StudioListPane());
    auto* tree = list ? list->findChild<QTreeWidget*>() : nullptr;
    if (tree == nullptr || tree->topLevelItemCount() <= index) {
        return 0;
    }
    tree->setCurrentItem(tree->topLevelItem(index));
    frame.OnScan();
    QTreeWidgetItem* studio = tree->topLevelItem(index);
    if (studio->childCount() > 0) {
        studio->setExpanded(true);
        tree->setCurrentItem(studio->child(0));
    }
    const StudioData* scanned = frame.Manager().StudioAt(index);
    return scanned ? scanned->nChItemCnt : 0;
}
