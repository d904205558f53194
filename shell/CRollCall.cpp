#include "shell/CRollCall.h"

#include <algorithm>

#include "control/CUnitControl.h"
#include "control/UnitChange.h"
#include "host/ToolFlag.h"
#include "model/SettingField.h"
#include "model/StudioManager.h"
#include "shell/CRollCallHost.h"

CRollCall::CRollCall(CRollCallHost& host) : m_host(host) {
    // Whoever reports is heard: a report of any kind is an answer.
    CUnitControl& core = host.UnitCore();
    connect(&core, &CUnitControl::unitAdded, this, &CRollCall::HeardOf);
    connect(&core, &CUnitControl::unitReported, this, &CRollCall::HeardOf);
    connect(&core, &CUnitControl::unitChanged, this,
            [this](const UnitRef& unit) { HeardOf(unit); });
    connect(&core, &CUnitControl::unitRead, this, [this](const UnitRef& unit) { HeardOf(unit); });
}

CRollCall::~CRollCall() = default;

QStringList CRollCall::Differences(const QString& name, const SettingValues& before,
                                   const SettingValues& after) {
    StrobeData from;
    StrobeData to;
    SetSettingValues(from, before);
    SetSettingValues(to, after);
    // The charge state is not shown, so the roll call never names it.
    QStringList out = SettingChanges(from, to, false);
    for (QString& change : out) {
        change = QStringLiteral("%1 %2").arg(name, change);
    }
    return out;
}

void CRollCall::Run() {
    if (m_running) {
        return;
    }
    StudioData* studio = CurrentStudio(m_host.Units());
    if (studio == nullptr) {
        m_host.SetStatusText(QStringLiteral("Check units: choose a studio first"));
        return;
    }
    if (!m_host.IsConnected()) {
        m_host.SetStatusText(QStringLiteral("Check units: not connected (Com)"));
        return;
    }
    const bool waitedOut = Call(*studio);
    m_host.SetStatusText(Summarise(*studio, waitedOut));
}

void CRollCall::Confirm(const UnitChange& change) {
    StudioData* studio = m_host.Units().StudioAt(change.studioNum);
    if (m_running || studio == nullptr || change.kind != UnitChange::Kind::kMemory) {
        return;
    }
    if (!m_host.IsConnected()) {
        m_host.SetStatusText(
            QStringLiteral("%1: not connected (Com), nothing confirmed").arg(change.Text()));
        return;
    }
    const bool waitedOut = Call(*studio);
    m_host.SetStatusText(Confirmation(*studio, change, waitedOut));
}

bool CRollCall::Call(StudioData& studio) {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const StrobeData* unit = studio.UnitAt(slot);
        m_before[slot] =
            unit != nullptr ? std::optional<SettingValues>(SettingValuesOf(*unit)) : std::nullopt;
    }
    m_answered.fill(false);
    m_studio = &studio;
    m_running = true;
    m_host.SetStatusText(QString());
    m_host.SwitchDongleTo(studio.nStudioNum);
    m_host.Units().activeStudio = &studio;
    const bool waitedOut = m_host.WaitForAnswers(studio.sStudioName, [this] {
        return static_cast<int>(std::count(m_answered.begin(), m_answered.end(), true));
    });
    m_running = false;
    m_studio = nullptr;

    // Cancelled, the wait was too short to call anyone silent: only what answered counts.
    for (int slot = 0; slot < kSlotCount && waitedOut; ++slot) {
        StrobeData* unit = studio.UnitAt(slot);
        if (unit == nullptr || !m_before[slot] || m_answered[slot] || unit->bNoAnswer != 0) {
            continue;
        }
        m_host.UnitCore().MarkAnswering(*unit, false);
    }
    return waitedOut;
}

QString CRollCall::Summarise(const StudioData& studio, bool waitedOut) const {
    int known = 0;
    int answered = 0;
    QStringList silent;
    QStringList added;
    QStringList differences;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const StrobeData* unit = studio.UnitAt(slot);
        if (unit == nullptr) {
            continue;
        }
        if (!m_before[slot]) {
            added << unit->sChName;
            continue;
        }
        ++known;
        if (!m_answered[slot]) {
            silent << unit->sChName;
            continue;
        }
        ++answered;
        differences << Differences(unit->sChName, *m_before[slot], SettingValuesOf(*unit));
    }
    QString text = QStringLiteral("%1: %2 of %3 units answered")
                       .arg(studio.sStudioName)
                       .arg(answered)
                       .arg(known);
    if (!waitedOut) {
        text += QStringLiteral(" before Cancel");
    } else if (!silent.isEmpty()) {
        text += QStringLiteral("; %1 did not").arg(silent.join(QStringLiteral(", ")));
    }
    if (!added.isEmpty()) {
        text += QStringLiteral("; %1 added").arg(added.join(QStringLiteral(", ")));
    }
    if (!differences.isEmpty()) {
        const qsizetype more = differences.size() - kListedDifferences;
        text += QStringLiteral("; ") +
                differences.mid(0, kListedDifferences).join(QStringLiteral(", "));
        if (more > 0) {
            text += QStringLiteral(" and %1 more").arg(more);
        }
    }
    return text;
}

QString CRollCall::Confirmation(const StudioData& studio, const UnitChange& change,
                                bool waitedOut) const {
    int confirmed = 0;
    QStringList notes;
    for (const UnitChange::Unit& entry : change.units) {
        const StrobeData* unit = m_host.Units().Resolve(entry.ref);
        if (unit == nullptr || unit->Studio() != &studio) {
            // Taken out of the studio before the roll call began: nobody could be asked.
            notes << QStringLiteral("%1 is gone").arg(entry.Label());
            continue;
        }
        if (!m_answered[static_cast<size_t>(unit->nChNum)]) {
            if (waitedOut) {
                notes << QStringLiteral("%1 did not answer").arg(entry.Label());
            }
            continue;
        }
        // The report has brought the record up to date: it holds what the unit reports.
        StrobeData applied;
        SetSettingValues(applied, entry.after);
        const QStringList mismatches = SettingMismatches(*unit, applied);
        if (mismatches.isEmpty()) {
            ++confirmed;
        }
        for (const QString& mismatch : mismatches) {
            notes << QStringLiteral("%1 %2").arg(entry.Label(), mismatch);
        }
    }
    QString text = QStringLiteral("%1: %2 of %3 units confirmed")
                       .arg(change.Text())
                       .arg(confirmed)
                       .arg(static_cast<qsizetype>(change.units.size()));
    if (!waitedOut) {
        text += QStringLiteral(" before Cancel");
    }
    for (const QString& note : notes) {
        text += QStringLiteral("; ") + note;
    }
    return text;
}

void CRollCall::Heard(StrobeData& unit) {
    if (m_running && unit.Studio() == m_studio) {
        m_answered[static_cast<size_t>(unit.nChNum)] = true;
    }
    if (unit.bNoAnswer == 0) {
        return;
    }
    // It answers again: the grid's block and the tree's item show it as they show any unit.
    m_host.UnitCore().MarkAnswering(unit, true);
}

void CRollCall::HeardOf(const UnitRef& ref) {
    if (StrobeData* unit = m_host.Units().Resolve(ref)) {
        Heard(*unit);
    }
}
