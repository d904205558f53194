#include "store/XmlShape.h"

#include <string_view>

bool XmlShapeWithinLimits(QStringView text) {
    using Char = char16_t;
    const Char* p = text.utf16();
    const qsizetype n = text.size();
    auto startsWith = [p, n](qsizetype at, std::string_view literal) {
        if (n - at < static_cast<qsizetype>(literal.size())) {
            return false;
        }
        for (std::size_t k = 0; k < literal.size(); ++k) {
            if (p[at + static_cast<qsizetype>(k)] != Char(literal[k])) {
                return false;
            }
        }
        return true;
    };
    // Index just after the next occurrence of literal from at on, or the end.
    auto skipPast = [&startsWith, n](qsizetype at, std::string_view literal) {
        for (; at < n; ++at) {
            if (startsWith(at, literal)) {
                return at + static_cast<qsizetype>(literal.size());
            }
        }
        return n;
    };

    int depth = 0;
    int elements = 0;
    qsizetype i = 0;
    while (i < n) {
        if (p[i] != Char('<')) {
            ++i;
        } else if (startsWith(i, "<!--")) {
            i = skipPast(i + 4, "-->");
        } else if (startsWith(i, "<![CDATA[")) {
            i = skipPast(i + 9, "]]>");
        } else if (startsWith(i, "<?")) {
            i = skipPast(i + 2, "?>");
        } else if (startsWith(i, "<!")) {
            return false;
        } else if (startsWith(i, "</")) {
            --depth;
            i = skipPast(i + 2, ">");
        } else {
            ++elements;
            if (++depth > kMaxXmlDepth) {
                return false;
            }
            // A start tag: count the attributes up to its end, quoted values skipped.
            int attributes = 0;
            Char quote = 0;
            for (++i; i < n; ++i) {
                const Char c = p[i];
                if (quote != 0) {
                    if (c == quote) {
                        quote = 0;
                    }
                } else if (c == Char('"') || c == Char('\'')) {
                    quote = c;
                } else if (c == Char('=')) {
                    if (++attributes > kMaxXmlAttributes) {
                        return false;
                    }
                } else if (c == Char('>')) {
                    if (p[i - 1] == Char('/')) {
                        --depth;
                    }
                    break;
                }
            }
            ++i;
        }
    }
    return elements > 0;
}
