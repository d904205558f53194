#pragma once

#include <QAction>
#include <QString>
#include <functional>

class CCommandDesk;
class CFrameHost;
class QWidget;

// "Recall lighting from a picture..." (Ctrl+Shift+L) at the desktop: the operator picks a
// picture, and the lighting its sidecar keeps is recalled as tarnelctl recall does it (the
// Business Memory preview, then the frames). A picture without our lighting, or a refusal, is
// told in a message box. The frame takes it as a service's tool bar entry.
class CRecallAction : public QAction {
    Q_OBJECT
public:
    using PictureChooser = std::function<QString()>;

    CRecallAction(CCommandDesk& desk, CFrameHost& frame, QWidget* window);

    // Tests choose the picture instead of the file dialog; empty is a cancel.
    void SetPictureChooser(PictureChooser chooser) { m_choose = std::move(chooser); }
    // Recalls the lighting kept with image; false (after telling the operator why, unless
    // the operator cancelled) when nothing was applied.
    bool Recall(const QString& image);

private:
    void OnTriggered();

    CCommandDesk& m_desk;
    CFrameHost& m_frame;
    QWidget* m_window;
    PictureChooser m_choose;
};
