#include "panels/CBusinessMemoryGroup.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTreeWidget>

#include "control/CUnitControl.h"
#include "host/CFrameHost.h"
#include "host/ToolFlag.h"
#include "model/SettingField.h"
#include "model/StudioManager.h"
#include "panels/MemoryPreview.h"
#include "store/CXmlStore.h"
#include "widgets/CDialogUnits.h"

namespace {

constexpr int kFileColumnWidthPx = 100;

const QString kMemoryCaption = QStringLiteral("Business Memory");

// Positions of the two powers among the setting fields.
constexpr int kFlash = 0;
constexpr int kModel = 5;

// A field's value as the preview shows it: as stored, and marked when no unit can hold it.
QString Shown(const StrobeData& unit, int index) {
    const SettingField& field = SettingFields()[index];
    const int value = unit.*field.member;
    return field.Allows(value) ? field.Text(value)
                               : field.Text(value) + QStringLiteral(" (invalid)");
}

}  // namespace

CBusinessMemoryGroup::CBusinessMemoryGroup(CFrameHost& host, QWidget* panel,
                                           const CDialogUnits& units)
    : m_host(host) {
    m_group = new QGroupBox(kMemoryCaption, panel);
    m_group->setGeometry(units.Rect(5, 140, 195, 85));
    m_fileList = new QTreeWidget(panel);
    m_fileList->setObjectName(QStringLiteral("fileList"));
    m_fileList->setGeometry(units.Rect(12, 150, 80, 55));
    m_nameEdit = new QLineEdit(panel);
    m_nameEdit->setObjectName(QStringLiteral("nameEdit"));
    m_nameEdit->setGeometry(units.Rect(12, 209, 80, 12));
    m_nameEdit->setMaxLength(kMaxNameLength);
    m_infoEdit = new QPlainTextEdit(panel);
    m_infoEdit->setObjectName(QStringLiteral("infoEdit"));
    m_infoEdit->setGeometry(units.Rect(96, 150, 98, 71));
    m_infoEdit->setReadOnly(true);
    m_infoEdit->setLineWrapMode(QPlainTextEdit::NoWrap);

    // The list view's click notification comes for any click, also below the last item.
    m_fileList->viewport()->installEventFilter(this);
    connect(m_nameEdit, &QLineEdit::textEdited, this, &CBusinessMemoryGroup::OnNameChanged);
}

void CBusinessMemoryGroup::OnInitialUpdate() {
    m_fileList->setColumnCount(1);
    m_fileList->setHeaderLabels({QStringLiteral("File name")});
    m_fileList->setHeaderHidden(true);
    m_fileList->setColumnWidth(0, kFileColumnWidthPx);
    m_fileList->setRootIsDecorated(false);
    m_fileList->setItemsExpandable(false);
    m_fileList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_fileList->setSelectionBehavior(QAbstractItemView::SelectRows);

    CXmlStore& store = m_host.XmlStore();
    store.pManager = &m_host.Manager();
    store.pDocument = nullptr;
    // The store may outlive this panel: appending to a list that is gone does nothing.
    store.pFileList = [list = QPointer<QTreeWidget>(m_fileList)](const QString& title) {
        if (list) {
            new QTreeWidgetItem(list, QStringList{title});
        }
    };
    ListBusinessMemory(store);
}

QString CBusinessMemoryGroup::MemoryInfoText(const StudioData& memory) {
    QString text = QStringLiteral("File info :\r\n");
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const StrobeData* unit = memory.UnitAt(slot);
        if (unit == nullptr) {
            continue;
        }
        const QString flash = unit->bFlashPow != 0 ? Shown(*unit, kFlash) : QStringLiteral("OFF");
        const QString model = unit->bModelPow != 0 ? Shown(*unit, kModel) : QStringLiteral("OFF");
        text += QStringLiteral("%1 Flash %2 Model %3").arg(unit->sChName, flash, model);
        // A damaged value the line does not show yet is named after it.
        const auto& fields = SettingFields();
        for (int k = 0; k < static_cast<int>(fields.size()); ++k) {
            const bool onLine =
                (k == kFlash && unit->bFlashPow != 0) || (k == kModel && unit->bModelPow != 0);
            if (!onLine && !fields[k].Allows((*unit).*fields[k].member)) {
                text += QStringLiteral(" %1 %2").arg(QLatin1StringView(fields[k].name),
                                                     Shown(*unit, k));
            }
        }
        text += QStringLiteral("\r\n");
    }
    return text;
}

bool CBusinessMemoryGroup::eventFilter(QObject* watched, QEvent* e) {
    if (watched == m_fileList->viewport() && e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton &&
        m_fileList->viewport()->isEnabled()) {
        OnFileListClick();
    }
    return QObject::eventFilter(watched, e);
}

void CBusinessMemoryGroup::OnFileListClick() {
    // The selection mark: the item last clicked or moved to; none before the first one.
    const QTreeWidgetItem* mark = m_fileList->currentItem();
    const QString name = mark != nullptr ? mark->text(0) : QString();
    m_nameEdit->setText(name);
    OnNameChanged();

    StudioManager& manager = m_host.Manager();
    ClearStudio(manager, *manager.memoryStudio);
    QString info;
    m_loadedName = name;
    if (LoadBusinessMemory(m_host.XmlStore(), name)) {
        info = MemoryInfoText(*manager.memoryStudio);
    } else {
        // Whatever a broken file placed before it failed was never shown to the operator:
        // Load must not apply it.
        ClearStudio(manager, *manager.memoryStudio);
    }
    m_infoEdit->setPlainText(info.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    m_host.SetToolAvailable(kToolLoad, true);
}

void CBusinessMemoryGroup::OnNameChanged() {
    m_host.SetToolAvailable(kToolSave, true);
}

QString CBusinessMemoryGroup::SaveOverPreview() {
    const StudioData* studio = CurrentStudio(m_host.Manager());
    // Without units to save the save writes nothing, and it says so itself.
    if (studio == nullptr || studio->nChItemCnt == 0) {
        return {};
    }
    const StoredMemory stored = ReadStoredMemory(m_host.XmlStore(), m_nameEdit->text());
    if (!stored.exists) {
        return {};
    }
    if (!stored.memory) {
        return QStringLiteral("The stored file cannot be read; the current studio replaces it");
    }
    return MemoryPreview(*stored.memory, *studio, MemoryPreviewKind::kSaveOver).join(u'\n');
}

void CBusinessMemoryGroup::OnSave() {
    if (!m_host.AskOperator(QStringLiteral("Do you want to save current setting?"), kMemoryCaption,
                            true, SaveOverPreview())) {
        return;
    }
    CXmlStore& store = m_host.XmlStore();
    if (SaveBusinessMemory(store, m_nameEdit->text())) {
        m_fileList->clear();
        ListBusinessMemory(store);
    }
    m_infoEdit->clear();
    m_nameEdit->clear();
    OnNameChanged();
    m_host.SetToolAvailable(kToolLoad, false);
    m_host.SetToolAvailable(kToolSave, false);
}

void CBusinessMemoryGroup::OnOpen() {
    StudioManager& manager = m_host.Manager();
    StudioData* studio = CurrentStudio(manager);
    if (studio == nullptr) {
        return;
    }
    // A damaged memory is not applied at all, not even its good units: the studio stays as
    // the operator sees it.
    if (const QString fault = MemoryFault(*manager.memoryStudio); !fault.isEmpty()) {
        m_host.AskOperator(fault + QStringLiteral("; nothing was sent"), kMemoryCaption, false);
        return;
    }
    if (!m_host.AskOperator(
            QStringLiteral("Current settig is deleted. Do you want to open file?"), kMemoryCaption,
            true,
            MemoryPreview(*studio, *manager.memoryStudio, MemoryPreviewKind::kApply).join(u'\n'))) {
        return;
    }
    // The studio list rebuilds the studio's items and, through the grid, resets the panel;
    // then every unit of the studio is sent its settings.
    m_host.Control().ApplyMemory(*studio, *manager.memoryStudio, m_loadedName);
}
