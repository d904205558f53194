#include "osc/COscAllowList.h"

namespace {

constexpr int kIpv4Bits = 32;
constexpr int kIpv6Bits = 128;

// "::ffff:127.0.0.1", as a dual-stack socket reports an IPv4 sender, as the IPv4 address.
QHostAddress Plain(const QHostAddress& address) {
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4) : address;
}

}  // namespace

COscAllowList::COscAllowList() {
    Parse(DefaultEntries().join(QLatin1Char('\n')));
}

QStringList COscAllowList::DefaultEntries() {
    return {QStringLiteral("127.0.0.0/8"), QStringLiteral("::1")};
}

bool COscAllowList::Parse(const QString& text, QString* error) {
    QList<QPair<QHostAddress, int>> subnets;
    QStringList texts;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].section(QLatin1Char('#'), 0, 0).trimmed();
        if (line.isEmpty()) {
            continue;
        }
        QPair<QHostAddress, int> subnet;
        if (line.contains(QLatin1Char('/'))) {
            subnet = QHostAddress::parseSubnet(line);
        } else if (QHostAddress address(line); !address.isNull()) {
            const bool v4 = address.protocol() == QAbstractSocket::IPv4Protocol;
            subnet = {address, v4 ? kIpv4Bits : kIpv6Bits};
        }
        if (subnet.first.isNull()) {
            if (error != nullptr) {
                *error = QStringLiteral(
                             "Line %1, \"%2\", is not a numeric address or a subnet "
                             "such as 192.168.1.0/24")
                             .arg(i + 1)
                             .arg(line.left(60));
            }
            return false;
        }
        subnets.append(subnet);
        texts.append(line);
    }
    m_subnets = subnets;
    m_texts = texts;
    return true;
}

QString COscAllowList::Text() const {
    return m_texts.join(QLatin1Char('\n'));
}

bool COscAllowList::Allows(const QHostAddress& sender) const {
    const QHostAddress plain = Plain(sender);
    for (const auto& subnet : m_subnets) {
        if (plain.isInSubnet(subnet)) {
            return true;
        }
    }
    return false;
}
