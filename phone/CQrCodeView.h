#pragma once

#include <QString>
#include <QWidget>
#include <vector>

// A QR code of a text (libqrencode), drawn module by module at a whole number of pixels per
// module, so that it stays crisp at any size, with the quiet zone readers need around it.
class CQrCodeView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kQuietModules = 4;

    explicit CQrCodeView(QWidget* parent = nullptr);

    // Empty text: nothing shown.
    void SetText(const QString& text);
    QString Text() const { return m_text; }
    // Modules per side; 0 for none.
    int Modules() const { return m_size; }
    bool Dark(int x, int y) const { return m_dark[static_cast<size_t>(y * m_size + x)]; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    int m_size = 0;
    std::vector<bool> m_dark;
};
