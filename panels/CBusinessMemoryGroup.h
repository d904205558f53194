#pragma once

#include <QObject>
#include <QString>

class CDialogUnits;
class CFrameHost;
class QEvent;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QTreeWidget;
class QWidget;
struct StudioData;

// The Business Memory group of the Remote Control panel: the list of saved memories, the
// preview of the one clicked, and the toolbar's Save and Load, which the panel hands on. The
// widgets belong to the panel, at the template's places among its other controls; this holds
// them and runs the group.
class CBusinessMemoryGroup : public QObject {
    Q_OBJECT
public:
    CBusinessMemoryGroup(CFrameHost& host, QWidget* panel, const CDialogUnits& units);

    // Once all panes exist: the list's look, the store's hooks, and the files listed.
    void OnInitialUpdate();
    // The toolbar's Save (WM_BM_SAVE): the current studio under the typed name.
    void OnSave();
    // The toolbar's Load (WM_BM_LOAD): the previewed memory onto the current studio.
    void OnOpen();

    // The information text of a loaded memory, lines ended by "\r\n".
    static QString MemoryInfoText(const StudioData& memory);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void OnFileListClick();
    void OnNameChanged();
    // What saving over the file of the typed name changes; empty when no such file is there.
    QString SaveOverPreview();

    CFrameHost& m_host;
    QGroupBox* m_group;
    QTreeWidget* m_fileList;
    QLineEdit* m_nameEdit;
    QPlainTextEdit* m_infoEdit;
    QString m_loadedName;  // the memory last clicked in the list, which Load applies
};
