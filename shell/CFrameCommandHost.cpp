#include "shell/CFrameCommandHost.h"

#include <QApplication>
#include <QTimer>
#include <QTreeWidget>

#include "control/CUnitControl.h"
#include "model/StudioManager.h"
#include "navigation/CStudioListFormView.h"
#include "shell/CMainFrame.h"
#include "shell/CRollCall.h"
#include "store/CXmlStore.h"

bool CFrameCommandHost::IsConnected() const {
    return m_frame.IsConnected();
}

bool CFrameCommandHost::IsBusy() const {
    // The roll call's waiting dialog is modal too: nothing changes under a scan.
    return QApplication::activeModalWidget() != nullptr || m_frame.RollCall().IsRunning();
}

UnitRef CFrameCommandHost::CurrentUnit() const {
    return RefOf(::CurrentUnit(m_frame.Manager()));
}

void CFrameCommandHost::ShowStudio(int studioNum) {
    CStudioListFormView& list = m_frame.StudioList();
    if (QTreeWidgetItem* item = list.StudioItem(studioNum)) {
        // As the operator's click: the grid follows, or a scan starts.
        list.Tree().setCurrentItem(item);
    }
}

QStringList CFrameCommandHost::MemoryNames() const {
    return BusinessMemoryNames(m_frame.XmlStore());
}

QString CFrameCommandHost::ApplyMemory(const QString& name) {
    StudioData* studio = ::CurrentStudio(m_frame.Manager());
    if (studio == nullptr) {
        return QStringLiteral("No studio is shown at the computer");
    }
    // Read beside the operator's preview, which stays as it is.
    const StoredMemory stored = ReadStoredMemory(m_frame.XmlStore(), name);
    if (!stored.memory) {
        return QStringLiteral("Fail to open file %1").arg(name);
    }
    if (const QString fault = MemoryFault(*stored.memory); !fault.isEmpty()) {
        return fault + QStringLiteral("; nothing was sent");
    }
    m_frame.Control().ApplyMemory(*studio, *stored.memory, name);
    return {};
}

QString CFrameCommandHost::CheckUnits() {
    if (::CurrentStudio(m_frame.Manager()) == nullptr) {
        return QStringLiteral("No studio is shown at the computer");
    }
    // The roll call waits in a dialog of its own: the caller has its answer first.
    QTimer::singleShot(0, &m_frame, [frame = &m_frame] {
        if (!frame->RollCall().IsRunning()) {
            frame->OnCheckUnits();
        }
    });
    return {};
}
