#include "bus/CRecallAction.h"

#include <QFileDialog>
#include <QJsonDocument>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include "bus/CLightingRecall.h"
#include "bus/LightingSidecar.h"
#include "host/CFrameHost.h"
#include "widgets/CDrawnIconEngine.h"

namespace {

const QString kCaption = QStringLiteral("Recall lighting");
constexpr int kImagePx = 30;

// A picture (a frame with a horizon) lit by a strobe's burst in its corner, in the tool bar's
// design units; drawn for each size and scale it is shown at.
void DrawRecall(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.setBrush(QColor(250, 250, 245));
    p.drawRect(QRectF(3.5, 8.5, 20, 17));
    QPainterPath hills;
    hills.moveTo(4, 25);
    hills.lineTo(10, 17);
    hills.lineTo(14, 21);
    hills.lineTo(18, 15);
    hills.lineTo(23, 25);
    hills.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 110, 160));
    p.drawPath(hills);
    // The burst: a yellow disc with rays.
    const QPointF burst(23, 7);
    p.setPen(QPen(QColor(200, 140, 0), 1.5, Qt::SolidLine, Qt::RoundCap));
    for (int ray = 0; ray < 8; ++ray) {
        p.save();
        p.translate(burst);
        p.rotate(ray * 45.0);
        p.drawLine(QPointF(0, 4.5), QPointF(0, 6.5));
        p.restore();
    }
    p.setBrush(QColor(255, 210, 40));
    p.drawEllipse(burst, 3.2, 3.2);
}

QIcon RecallIcon() {
    return QIcon(new CDrawnIconEngine(QSize(kImagePx, kImagePx), DrawRecall));
}

}  // namespace

CRecallAction::CRecallAction(CCommandDesk& desk, CFrameHost& frame, QWidget* window)
    : QAction(RecallIcon(), QStringLiteral("Recall lighting from a picture..."), window),
      m_desk(desk),
      m_frame(frame),
      m_window(window) {
    setObjectName(QStringLiteral("recallLighting"));
    setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    m_choose = [this] {
        return QFileDialog::getOpenFileName(m_window,
                                            QStringLiteral("Recall lighting from a picture"));
    };
    connect(this, &QAction::triggered, this, &CRecallAction::OnTriggered);
}

void CRecallAction::OnTriggered() {
    if (const QString image = m_choose(); !image.isEmpty()) {
        Recall(image);
    }
}

bool CRecallAction::Recall(const QString& image) {
    QJsonObject lighting;
    QString error;
    if (!LightingSidecar::Recall(image, lighting, error)) {
        m_frame.AskOperator(error, kCaption, false);
        return false;
    }
    const CCommandDesk::Outcome outcome = RecallLighting(
        m_desk, m_frame, QString::fromUtf8(QJsonDocument(lighting).toJson(QJsonDocument::Compact)));
    // A cancel is the operator's own answer: nothing more to say.
    if (!outcome.Ok() && outcome.message != QLatin1String(kRecallCancelled)) {
        m_frame.AskOperator(outcome.message, kCaption, false);
    }
    return outcome.Ok();
}
