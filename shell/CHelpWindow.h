#pragma once

#include <QDialog>
#include <QString>

class QTextBrowser;

// "Tarnel Remote Control Help": the keys, what the grid's icons mean and where the program
// keeps its files, in a window of its own beside the main window (not modal), with the About
// box one button away. Made on the first F1, not at start-up.
class CHelpWindow : public QDialog {
    Q_OBJECT
public:
    // baseFolder: where Option.xml and the "Business Memory" folder are kept.
    explicit CHelpWindow(const QString& baseFolder, QWidget* parent = nullptr);

    static QString HelpHtml(const QString& baseFolder);
    // Version, licence and the folder the program works in.
    static QString AboutText(const QString& baseFolder);
    static void ShowAbout(const QString& baseFolder, QWidget* parent);

    QTextBrowser* Text() const { return m_text; }

private:
    QString m_baseFolder;
    QTextBrowser* m_text;
};
