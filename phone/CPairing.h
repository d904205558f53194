#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <chrono>
#include <deque>
#include <vector>

// Who may use the remote: one pairing code at a time, each good for one device, which gets a
// token of its own in exchange; and the addresses that guessed wrong too often. Codes and
// tokens are 128 bits from the system's random generator, written as 32 hex digits, and
// compared in constant time. UI thread only.
class CPairing {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kMaxFailures = 10;
    static constexpr std::chrono::seconds kFailureWindow{60};
    static constexpr std::chrono::seconds kBlockTime{60};

    enum class Verdict { kPaired, kWrong, kUsed, kBlocked };

    CPairing();

    // The code the dialog shows now.
    const QString& Code() const { return m_code; }
    // A code from address: kPaired hands out a new token (and draws a fresh code, so a
    // photographed address pairs nobody else), anything else counts against the address.
    Verdict Pair(const QString& code, const QString& address, QString& token,
                 Clock::time_point now);
    // A token from an earlier pairing (a page that reconnects).
    Verdict Resume(const QString& token, const QString& address, Clock::time_point now);
    void Revoke(const QString& token);
    // Every token and every code: nothing paired before pairs again.
    void RevokeAll();

    // 128 random bits as 32 hex digits.
    static QString NewSecret();
    // Equal in a time that depends on the lengths only.
    static bool SameSecret(const QString& a, const QString& b);

private:
    bool Blocked(const QString& address, Clock::time_point now);
    Verdict Fail(const QString& address, Clock::time_point now, Verdict verdict);

    QString m_code;
    std::vector<QString> m_tokens;
    // Codes already used, so that a second scan is told why; the last few only.
    std::deque<QString> m_used;
    struct Failures {
        std::deque<Clock::time_point> times;
        Clock::time_point blockedUntil{};
    };
    QHash<QString, Failures> m_failures;
};
