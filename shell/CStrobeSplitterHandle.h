#pragma once

#include <QSplitterHandle>

class QPainter;

// The bar between two splitter columns, with a grip drawn onto it, centred vertically.
class CStrobeSplitterHandle : public QSplitterHandle {
    Q_OBJECT
public:
    static constexpr int kGripWidthPx = 5;
    static constexpr int kGripHeightPx = 66;

    CStrobeSplitterHandle(Qt::Orientation orientation, QSplitter* parent);

    // The grip, 5 x 66 logical pixels with its top left at origin: a column of raised ridges.
    static void DrawGrip(QPainter& p, const QPoint& origin, const QPalette& palette);
    // Where the grip goes on a bar of the given size.
    static QPoint GripOrigin(const QSize& barSize);

protected:
    void paintEvent(QPaintEvent* e) override;
};
