#include "store/XmlShape.h"

#include <string_view>

namespace {

using Char = char16_t;

bool StartsWith(QStringView text, qsizetype at, std::string_view literal) {
    const Char* p = text.utf16();
    if (text.size() - at < static_cast<qsizetype>(literal.size())) {
        return false;
    }
    for (std::size_t k = 0; k < literal.size(); ++k) {
        if (p[at + static_cast<qsizetype>(k)] != Char(literal[k])) {
            return false;
        }
    }
    return true;
}

// Index just after the next occurrence of literal from at on, or the end.
qsizetype SkipPast(QStringView text, qsizetype at, std::string_view literal) {
    const qsizetype n = text.size();
    for (; at < n; ++at) {
        if (StartsWith(text, at, literal)) {
            return at + static_cast<qsizetype>(literal.size());
        }
    }
    return n;
}

// Markup that holds no elements, skipped whole. "<!--" and "<![CDATA[" come before any other
// "<!", which is refused.
struct Skipped {
    std::string_view open;
    std::string_view close;
};

constexpr Skipped kSkipped[] = {{"<!--", "-->"}, {"<![CDATA[", "]]>"}, {"<?", "?>"}};

struct StartTag {
    qsizetype next = 0;  // index just after the tag's '>' (one past the end when it has none)
    bool selfClosing = false;
    bool tooManyAttributes = false;
};

// A start tag from its '<' on: its attributes counted up to its end, quoted values skipped.
StartTag ScanStartTag(QStringView text, qsizetype at) {
    const Char* p = text.utf16();
    const qsizetype n = text.size();
    StartTag tag;
    int attributes = 0;
    Char quote = 0;
    qsizetype i = at + 1;
    for (; i < n; ++i) {
        const Char c = p[i];
        if (quote != 0) {
            if (c == quote) {
                quote = 0;
            }
        } else if (c == Char('"') || c == Char('\'')) {
            quote = c;
        } else if (c == Char('=')) {
            if (++attributes > kMaxXmlAttributes) {
                tag.tooManyAttributes = true;
                return tag;
            }
        } else if (c == Char('>')) {
            tag.selfClosing = p[i - 1] == Char('/');
            break;
        }
    }
    tag.next = i + 1;
    return tag;
}

// The index just after the skipped markup that starts at at, or -1 when none does.
qsizetype SkipNonElement(QStringView text, qsizetype at) {
    for (const Skipped& skipped : kSkipped) {
        if (StartsWith(text, at, skipped.open)) {
            return SkipPast(text, at + static_cast<qsizetype>(skipped.open.size()), skipped.close);
        }
    }
    return -1;
}

}  // namespace

bool XmlShapeWithinLimits(QStringView text) {
    const Char* p = text.utf16();
    const qsizetype n = text.size();
    int depth = 0;
    int elements = 0;
    qsizetype i = 0;
    while (i < n) {
        if (p[i] != Char('<')) {
            ++i;
        } else if (const qsizetype past = SkipNonElement(text, i); past >= 0) {
            i = past;
        } else if (StartsWith(text, i, "<!")) {
            return false;
        } else if (StartsWith(text, i, "</")) {
            --depth;
            i = SkipPast(text, i + 2, ">");
        } else {
            ++elements;
            if (++depth > kMaxXmlDepth) {
                return false;
            }
            const StartTag tag = ScanStartTag(text, i);
            if (tag.tooManyAttributes) {
                return false;
            }
            if (tag.selfClosing) {
                --depth;
            }
            i = tag.next;
        }
    }
    return elements > 0;
}
