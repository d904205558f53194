#include "shell/CStrobeSplitterWnd.h"

#include "shell/CStrobeSplitterHandle.h"

CStrobeSplitterWnd::CStrobeSplitterWnd(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
    setHandleWidth(kBarWidthPx);
    setChildrenCollapsible(false);
}

void CStrobeSplitterWnd::AddColumn(QWidget* column) {
    column->setMinimumWidth(kMinColumnWidthPx);
    addWidget(column);
}

QSplitterHandle* CStrobeSplitterWnd::createHandle() {
    return new CStrobeSplitterHandle(orientation(), this);
}
