#include "phone/CQrCodeView.h"

#include <qrencode.h>

#include <QPainter>
#include <algorithm>

namespace {

constexpr int kHintPx = 260;

}  // namespace

CQrCodeView::CQrCodeView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(kHintPx / 2, kHintPx / 2);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CQrCodeView::SetText(const QString& text) {
    m_text = text;
    m_size = 0;
    m_dark.clear();
    const QByteArray bytes = text.toUtf8();
    if (!bytes.isEmpty()) {
        if (QRcode* code = QRcode_encodeString8bit(bytes.constData(), 0, QR_ECLEVEL_M)) {
            m_size = code->width;
            m_dark.resize(static_cast<size_t>(m_size * m_size));
            for (size_t i = 0; i < m_dark.size(); ++i) {
                m_dark[i] = (code->data[i] & 1) != 0;
            }
            QRcode_free(code);
        }
    }
    update();
}

QSize CQrCodeView::sizeHint() const {
    return {kHintPx, kHintPx};
}

void CQrCodeView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (m_size == 0) {
        return;
    }
    const int span = m_size + 2 * kQuietModules;
    const int module = std::max(1, std::min(width(), height()) / span);
    const int left = (width() - module * m_size) / 2;
    const int top = (height() - module * m_size) / 2;
    for (int y = 0; y < m_size; ++y) {
        for (int x = 0; x < m_size; ++x) {
            if (Dark(x, y)) {
                p.fillRect(left + x * module, top + y * module, module, module, Qt::black);
            }
        }
    }
}
