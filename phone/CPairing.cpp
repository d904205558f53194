#include "phone/CPairing.h"

#include <QRandomGenerator>
#include <algorithm>
#include <array>

namespace {

constexpr int kSecretWords = 4;  // 4 x 32 bits
constexpr size_t kUsedKept = 64;
// Beyond this many addresses the oldest records go; a flood of addresses cannot grow it.
constexpr int kMaxAddresses = 1024;

}  // namespace

CPairing::CPairing() : m_code(NewSecret()) {}

QString CPairing::NewSecret() {
    std::array<quint32, kSecretWords> words{};
    QRandomGenerator::system()->fillRange(words.data(), kSecretWords);
    QByteArray bytes(reinterpret_cast<const char*>(words.data()),
                     static_cast<qsizetype>(sizeof(words)));
    return QString::fromLatin1(bytes.toHex());
}

bool CPairing::SameSecret(const QString& a, const QString& b) {
    if (a.size() != b.size()) {
        return false;
    }
    char16_t difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i) {
        difference |= static_cast<char16_t>(a[i].unicode() ^ b[i].unicode());
    }
    return difference == 0;
}

bool CPairing::Blocked(const QString& address, Clock::time_point now) {
    const auto it = m_failures.find(address);
    return it != m_failures.end() && now < it->blockedUntil;
}

CPairing::Verdict CPairing::Fail(const QString& address, Clock::time_point now, Verdict verdict) {
    if (m_failures.size() >= kMaxAddresses && !m_failures.contains(address)) {
        m_failures.clear();
    }
    Failures& record = m_failures[address];
    record.times.push_back(now);
    while (!record.times.empty() && now - record.times.front() >= kFailureWindow) {
        record.times.pop_front();
    }
    if (static_cast<int>(record.times.size()) >= kMaxFailures) {
        record.blockedUntil = now + kBlockTime;
        record.times.clear();
    }
    return verdict;
}

CPairing::Verdict CPairing::Pair(const QString& code, const QString& address, QString& token,
                                 Clock::time_point now) {
    if (Blocked(address, now)) {
        return Verdict::kBlocked;
    }
    if (!SameSecret(code, m_code)) {
        const bool used = std::any_of(m_used.begin(), m_used.end(),
                                      [&](const QString& old) { return SameSecret(code, old); });
        return Fail(address, now, used ? Verdict::kUsed : Verdict::kWrong);
    }
    m_used.push_back(m_code);
    if (m_used.size() > kUsedKept) {
        m_used.pop_front();
    }
    m_code = NewSecret();
    token = NewSecret();
    m_tokens.push_back(token);
    return Verdict::kPaired;
}

CPairing::Verdict CPairing::Resume(const QString& token, const QString& address,
                                   Clock::time_point now) {
    if (Blocked(address, now)) {
        return Verdict::kBlocked;
    }
    // Every token is compared, so the time says nothing of which one came close.
    bool known = false;
    for (const QString& ours : m_tokens) {
        known = SameSecret(token, ours) || known;
    }
    return known ? Verdict::kPaired : Fail(address, now, Verdict::kWrong);
}

void CPairing::Revoke(const QString& token) {
    m_tokens.erase(std::remove(m_tokens.begin(), m_tokens.end(), token), m_tokens.end());
}

void CPairing::RevokeAll() {
    m_tokens.clear();
    m_used.push_back(m_code);
    m_code = NewSecret();
}
