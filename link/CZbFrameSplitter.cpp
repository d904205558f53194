#include "link/CZbFrameSplitter.h"

void CZbFrameSplitter::FlushJunk(std::vector<ZbChunk>& out) {
    if (!m_junk.empty()) {
        out.push_back({false, std::move(m_junk)});
        m_junk.clear();
    }
}

void CZbFrameSplitter::Feed(const quint8* bytes, std::size_t count, std::vector<ZbChunk>& out) {
    for (std::size_t i = 0; i < count; ++i) {
        const quint8 b = bytes[i];
        if (b == 0xFF) {
            // A start byte always wins: whatever was being collected was cut short.
            m_junk.insert(m_junk.end(), m_frame.begin(), m_frame.end());
            FlushJunk(out);
            m_frame.assign(1, b);
            continue;
        }
        if (m_frame.empty()) {
            m_junk.push_back(b);
            continue;
        }
        m_frame.push_back(b);
        if (m_frame.size() == 2 && (b < kMinFrameLen || b > kMaxFrameLen)) {
            m_junk.insert(m_junk.end(), m_frame.begin(), m_frame.end());
            m_frame.clear();
            continue;
        }
        if (m_frame.size() >= 2 && m_frame.size() == m_frame[1]) {
            FlushJunk(out);
            out.push_back({true, std::move(m_frame)});
            m_frame.clear();
        }
    }
    FlushJunk(out);
}
