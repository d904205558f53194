#include "navigation/CStudioTreeDelegate.h"

#include <QApplication>
#include <QPainter>

CStudioTreeDelegate::CStudioTreeDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void CStudioTreeDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const bool hot = !selected && m_hot.isValid() && index == QModelIndex(m_hot);
    if (!selected && !hot) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // Drawn here rather than by the style, whose selection look (gradients, focus frames)
    // would change the colours the operator is meant to see.
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const QWidget* widget = opt.widget;
    const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    painter->save();
    painter->fillRect(opt.rect, selected ? SelectedBack() : HotBack());
    const QRect iconRect = style->subElementRect(QStyle::SE_ItemViewItemDecoration, &opt, widget);
    opt.icon.paint(painter, iconRect, opt.decorationAlignment, QIcon::Normal, QIcon::On);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget)
                               .adjusted(margin, 0, -margin, 0);
    painter->setFont(opt.font);
    painter->setPen(selected ? SelectedText() : HotText());
    const QString shown = opt.fontMetrics.elidedText(opt.text, opt.textElideMode, textRect.width());
    painter->drawText(textRect, static_cast<int>(opt.displayAlignment) | Qt::TextSingleLine, shown);
    // The keyboard's place shows on these colours too.
    if (opt.state.testFlag(QStyle::State_HasFocus)) {
        painter->setPen(QPen(painter->pen().color(), 1, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(opt.rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}
