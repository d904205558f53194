#include "widgets/ComboFit.h"

#include <QComboBox>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <algorithm>

void FitComboToItems(QComboBox* combo, int leftmostX, int rightmostX) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.frame = combo->hasFrame();
    option.subControls = QStyle::SC_All;
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, combo);
    int longest = 0;
    for (int i = 0; i < combo->count(); ++i) {
        longest = std::max(longest, combo->fontMetrics().horizontalAdvance(combo->itemText(i)));
    }
    // The style draws the entry one pixel inside the field on either side.
    int missing = longest + 2 - field.width();
    const int left = std::clamp(missing, 0, combo->x() - leftmostX);
    missing -= left;
    const int right = std::clamp(missing, 0, rightmostX - (combo->geometry().right() + 1));
    combo->setGeometry(combo->x() - left, combo->y(), combo->width() + left + right,
                       combo->height());
}
