#pragma once

#include <QByteArray>
#include <QString>
#include <initializer_list>
#include <utility>

// Builds the text of our XML files with their exact layout: the declaration, then every
// element on its own line indented by tabs. Attributes keep the order they are given in,
// which a DOM serialiser does not promise. Characters that XML 1.0 cannot carry at all
// (most control characters, unpaired surrogates) are left out so that every file written
// can be read again.
class CXmlTextWriter {
public:
    using Attribute = std::pair<const char*, QString>;

    CXmlTextWriter();

    // A line feed followed by tabs tabs.
    void Layout(int tabs);
    void Open(const char* name, std::initializer_list<Attribute> attributes = {});
    void Close(const char* name);
    // An element holding text only.
    void Value(const char* name, const QString& text);

    QByteArray ToUtf8() const { return m_text.toUtf8(); }

private:
    void AppendEscaped(const QString& text, bool inAttribute);

    QString m_text;
};
