#pragma once

#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The senders whose messages the OSC server takes: addresses and subnets ("192.168.1.20",
// "192.168.1.0/24", "fe80::/10"). Loopback alone unless the operator adds others; anything
// else is dropped and counted. Numeric only: a host name would need a lookup, which may block.
class COscAllowList {
public:
    // Loopback: 127.0.0.0/8 and ::1.
    COscAllowList();

    // One entry a line; blank lines and "#" comments are skipped. False, changing nothing, when
    // a line is neither an address nor a subnet; error says which.
    bool Parse(const QString& text, QString* error = nullptr);
    QString Text() const;
    QStringList Entries() const { return m_texts; }
    bool Allows(const QHostAddress& sender) const;

    static QStringList DefaultEntries();

private:
    QList<QPair<QHostAddress, int>> m_subnets;
    QStringList m_texts;
};
