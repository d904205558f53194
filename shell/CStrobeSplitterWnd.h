#pragma once

#include <QSplitter>

// The main frame's splitter: its bars carry a drawn grip and its columns never collapse.
class CStrobeSplitterWnd : public QSplitter {
    Q_OBJECT
public:
    static constexpr int kBarWidthPx = 7;
    static constexpr int kMinColumnWidthPx = 100;

    explicit CStrobeSplitterWnd(QWidget* parent = nullptr);

    // Adds a column at least kMinColumnWidthPx wide.
    void AddColumn(QWidget* column);

protected:
    QSplitterHandle* createHandle() override;
};
