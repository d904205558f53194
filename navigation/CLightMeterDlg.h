#pragma once

#include <QDialog>
#include <functional>

#include "model/UnitRef.h"

class CFrameHost;
class QLabel;
class QLineEdit;

// "Light meter" for one unit: the photographer fires it alone (Test), types the meter's
// reading and the aperture wanted, each as meters show them, and presses Set; the answer
// ("CH-03 at 8.1, 0.4 stop short of f/11") shows below, and the dialog stays for the next
// reading. Text that is no f-number is refused there, and nothing is set.
class CLightMeterDlg : public QDialog {
    Q_OBJECT
public:
    // Sets the unit's power from reading and wanted (tenths of a stop above f/1; wantedText as
    // typed) and words what it did.
    using Apply = std::function<QString(int reading, int wanted, const QString& wantedText)>;

    CLightMeterDlg(const QString& unitName, Apply apply, QWidget* parent = nullptr);
    // The dialog for a unit of the grid or the studio list, setting its flash power through
    // the unit core as its slider would (Prop link, limits); returns when it is closed.
    static void OpenFor(CFrameHost& host, const UnitRef& unit, QWidget* parent);

    QLineEdit& Reading() const { return *m_reading; }
    QLineEdit& Wanted() const { return *m_wanted; }
    QString Answer() const;

private:
    void OnSet();

    Apply m_apply;
    QLineEdit* m_reading = nullptr;
    QLineEdit* m_wanted = nullptr;
    QLabel* m_answer = nullptr;
};
