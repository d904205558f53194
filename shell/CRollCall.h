#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

#include "model/SettingField.h"
#include "model/StudioData.h"
#include "model/UnitRef.h"

class CRollCallHost;
struct UnitChange;

// "Check units": the dongle is switched to the current studio as a scan does, but the studio
// keeps its units. For the scan's six seconds, with the same waiting dialog, every unit that
// reports is noted. Then each unit of the studio that stayed silent is marked as not
// answering (bNoAnswer: the grid and the studio list show it) until it reports again, and
// status pane 0 sums it up: who answered, who did not, who was added (a unit that answered
// and was not in the studio is placed by its report, as in a scan) and the first settings
// that differ from what was shown before (the reports have brought the records up to date).
// Cancelled, nobody is marked: what answered so far is kept and summed up.
// After a Business Memory was applied, the same roll call of its studio tells instead whether
// each unit reports what the memory gave it: the frames went out, but only a report shows
// that a unit took them.
class CRollCall : public QObject {
public:
    // Differences listed in the summary before the rest are only counted.
    static constexpr int kListedDifferences = 3;

    explicit CRollCall(CRollCallHost& host);
    ~CRollCall() override;

    // The roll call of the current studio; without a studio, or while disconnected, nothing
    // but the reason in status pane 0.
    void Run();
    bool IsRunning() const { return m_running; }
    // The roll call of the studio change (a memory applied, its frames sent) went to, summed
    // up as "Portrait applied: 2 of 3 units confirmed; CH-02 did not answer; CH-03 flash 5.0,
    // not 5.5": each unit of the change that stayed silent or reports other shown settings
    // than the change's after values, in the order of slots. Disconnected, the frames reached
    // nobody: said, and no wait. Nothing while a roll call runs already.
    void Confirm(const UnitChange& change);

    // "CH-03 flash 4.5 -> 5.0", one entry per differing setting the operator sees, in the
    // panel's order (the charge state is not reported in full, so never named).
    static QStringList Differences(const QString& name, const SettingValues& before,
                                   const SettingValues& after);

protected:
private:
    // The roll call proper: the dongle to studio, the wait, the silent marked when it was
    // waited out. True when it was (not cancelled).
    bool Call(StudioData& studio);
    // The unit core's notices: who reports during a roll call, and who is heard again.
    void HeardOf(const UnitRef& unit);
    void Heard(StrobeData& unit);
    // waitedOut: the six seconds passed (not cancelled), so the silent are named.
    QString Summarise(const StudioData& studio, bool waitedOut) const;
    // What Confirm says once the roll call of change's studio is over.
    QString Confirmation(const StudioData& studio, const UnitChange& change, bool waitedOut) const;

    CRollCallHost& m_host;
    bool m_running = false;
    const StudioData* m_studio = nullptr;  // while running
    std::array<std::optional<SettingValues>, kSlotCount> m_before{};
    std::array<bool, kSlotCount> m_answered{};
};
