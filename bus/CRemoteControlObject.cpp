#include "bus/CRemoteControlObject.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QJsonDocument>
#include <algorithm>
#include <utility>

#include "bus/BusNames.h"
#include "model/StudioManager.h"

namespace {

using Outcome = CCommandDesk::Outcome;
using Refusal = CCommandDesk::Refusal;

// "flash" or "model" (any case); false for another word.
bool PowerOfWord(const QString& word, CCommandDesk::Power& power) {
    const QString folded = word.trimmed().toLower();
    if (folded == QLatin1String("flash")) {
        power = CCommandDesk::Power::kFlash;
        return true;
    }
    if (folded == QLatin1String("model")) {
        power = CCommandDesk::Power::kModel;
        return true;
    }
    return false;
}

Outcome NoPower(const QString& word) {
    return {Refusal::kBadValue, QStringLiteral("No power %1 (flash, model)").arg(word)};
}

}  // namespace

CRemoteControlObject::CRemoteControlObject(CCommandDesk& desk, QObject* parent)
    : QObject(parent), m_desk(desk) {
    m_say.setSingleShot(true);
    m_say.setInterval(kChangeQuietMs);
    connect(&m_say, &QTimer::timeout, this, &CRemoteControlObject::SayChanges);
    connect(&desk, &CCommandDesk::unitUpdated, this, &CRemoteControlObject::OnUnitUpdated);
    connect(&desk, &CCommandDesk::connectionChanged, this,
            &CRemoteControlObject::ConnectionChanged);
}

void CRemoteControlObject::Status(QString& json) {
    json = QString::fromUtf8(QJsonDocument(m_desk.State()).toJson(QJsonDocument::Compact));
}

void CRemoteControlObject::StatusText(QString& text) {
    text = m_desk.StateText();
}

void CRemoteControlObject::SetPower(const QString& studio, const QString& unit,
                                    const QString& power, double value) {
    const CCommandDesk::Caller caller(m_desk, QStringLiteral("script"));
    CCommandDesk::Power which{};
    Reply(PowerOfWord(power, which) ? m_desk.SetPower(studio, unit, which, value) : NoPower(power));
}

void CRemoteControlObject::StepPower(const QString& studio, const QString& unit,
                                     const QString& power, double delta) {
    const CCommandDesk::Caller caller(m_desk, QStringLiteral("script"));
    CCommandDesk::Power which{};
    Reply(PowerOfWord(power, which) ? m_desk.StepPower(studio, unit, which, delta)
                                    : NoPower(power));
}

void CRemoteControlObject::SetSetting(const QString& studio, const QString& unit,
                                      const QString& setting, const QString& value) {
    const CCommandDesk::Caller caller(m_desk, QStringLiteral("script"));
    Reply(m_desk.SetSetting(studio, unit, setting, value));
}

void CRemoteControlObject::Test(const QString& studio, const QString& unit) {
    const CCommandDesk::Caller caller(m_desk, QStringLiteral("script"));
    Reply(m_desk.Test(studio, unit));
}

void CRemoteControlObject::SelectStudio(const QString& studio) {
    Reply(m_desk.SelectStudio(studio));
}

void CRemoteControlObject::ApplyMemory(const QString& name) {
    const CCommandDesk::Caller caller(m_desk, QStringLiteral("script"));
    Reply(m_desk.ApplyMemory(name));
}

void CRemoteControlObject::CheckUnits() {
    Reply(m_desk.CheckUnits());
}

void CRemoteControlObject::RecallLighting(const QString& lighting) {
    if (!m_recall) {
        Reply({Refusal::kRefused, QStringLiteral("This program cannot recall a lighting")});
        return;
    }
    if (calledFromDBus()) {
        // The operator answers in a dialog of its own, during which other calls arrive and
        // take the context's message: the answer goes to this call's, kept here.
        setDelayedReply(true);
        const QDBusMessage call = message();
        const Outcome outcome = m_recall(lighting);
        QDBusConnection bus = connection();
        bus.send(outcome.Ok() ? call.createReply()
                              : call.createErrorReply(
                                    QString::fromLatin1(BusNames::kErrorPrefix) + outcome.Name(),
                                    outcome.message));
        return;
    }
    m_recall(lighting);
}

void CRemoteControlObject::Raise(const QStringList& arguments) {
    emit raiseRequested(arguments);
}

void CRemoteControlObject::Reply(const Outcome& outcome) {
    if (!outcome.Ok() && calledFromDBus()) {
        sendErrorReply(QString::fromLatin1(BusNames::kErrorPrefix) + outcome.Name(),
                       outcome.message);
    }
}

void CRemoteControlObject::OnUnitUpdated(const UnitRef& ref) {
    if (std::find(m_changed.begin(), m_changed.end(), ref) == m_changed.end()) {
        m_changed.push_back(ref);
    }
    if (!m_say.isActive()) {
        m_say.start();
    }
}

void CRemoteControlObject::SayChanges() {
    const std::vector<UnitRef> changed = std::exchange(m_changed, {});
    for (const UnitRef& ref : changed) {
        const StrobeData* unit = m_desk.Control().Manager().Resolve(ref);
        if (unit == nullptr || ref.nStudioNum < 0) {
            continue;  // gone meanwhile, or a memory's preview: not the studio's
        }
        const QJsonObject state = m_desk.UnitState(*unit);
        emit UnitChanged(state.value(QStringLiteral("studio")).toString(),
                         state.value(QStringLiteral("unit")).toString(),
                         QString::fromUtf8(QJsonDocument(state).toJson(QJsonDocument::Compact)));
    }
}
