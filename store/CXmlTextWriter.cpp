#include "store/CXmlTextWriter.h"

#include <algorithm>

namespace {

bool IsXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

bool IsXmlBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

}  // namespace

CXmlTextWriter::CXmlTextWriter() {
    // The format's declaration, single quotes and all; reading takes either quoting.
    m_text = QStringLiteral("<?xml version='1.0' encoding='utf-8'?>");
}

void CXmlTextWriter::Layout(int tabs) {
    m_text += u'\n';
    m_text += QString(tabs, u'\t');
}

void CXmlTextWriter::Open(const char* name, std::initializer_list<Attribute> attributes) {
    m_text += u'<';
    m_text += QLatin1StringView(name);
    for (const auto& [key, value] : attributes) {
        m_text += u' ';
        m_text += QLatin1StringView(key);
        m_text += QStringLiteral("=\"");
        AppendEscaped(value, true);
        m_text += u'"';
    }
    m_text += u'>';
}

void CXmlTextWriter::Close(const char* name) {
    m_text += QStringLiteral("</");
    m_text += QLatin1StringView(name);
    m_text += u'>';
}

void CXmlTextWriter::Value(const char* name, const QString& text) {
    if (text.isEmpty()) {
        m_text += u'<';
        m_text += QLatin1StringView(name);
        m_text += QStringLiteral("/>");
        return;
    }
    Open(name);
    if (std::all_of(text.begin(), text.end(), IsXmlBlank)) {
        // A reader drops text made of blanks only, escaped or not; a CDATA section survives.
        m_text += QStringLiteral("<![CDATA[");
        m_text += text;
        m_text += QStringLiteral("]]>");
    } else {
        AppendEscaped(text, false);
    }
    Close(name);
}

void CXmlTextWriter::AppendEscaped(const QString& text, bool inAttribute) {
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            m_text += c;
            m_text += text[++i];
            continue;
        }
        if (c.isSurrogate() || !IsXmlChar(c.unicode())) {
            continue;
        }
        switch (c.unicode()) {
            case u'&':
                m_text += QStringLiteral("&amp;");
                break;
            case u'<':
                m_text += QStringLiteral("&lt;");
                break;
            case u'>':
                m_text += QStringLiteral("&gt;");
                break;
            case u'"':
                m_text += QStringLiteral("&quot;");
                break;
            // A reader turns a raw carriage return into a line feed, and any raw blank in an
            // attribute into a space; character references keep them.
            case u'\r':
                m_text += QStringLiteral("&#13;");
                break;
            case u'\n':
                m_text += inAttribute ? QStringLiteral("&#10;") : QStringLiteral("\n");
                break;
            case u'\t':
                m_text += inAttribute ? QStringLiteral("&#9;") : QStringLiteral("\t");
                break;
            default:
                m_text += c;
        }
    }
}
