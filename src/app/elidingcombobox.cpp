#include "app/elidingcombobox.h"

#include <algorithm>
#include <QAbstractItemView>
#include <QScreen>
#include <QStyleOptionComboBox>
#include <QStylePainter>

ElidingComboBox::ElidingComboBox(QWidget* parent) : QComboBox(parent) {
    view()->setTextElideMode(Qt::ElideMiddle);
    connect(this, &QComboBox::currentIndexChanged, this, &ElidingComboBox::followCurrent);
}

void ElidingComboBox::followCurrent() {
    setToolTip(currentText());
}

QString ElidingComboBox::shownText() const {
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    return fontMetrics().elidedText(currentText(), Qt::ElideMiddle, field.width());
}

void ElidingComboBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentText = shownText();
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void ElidingComboBox::showPopup() {
    // Wide enough for the longest entry, within the screen.
    int widest = width();
    for (int i = 0; i < count(); ++i)
        widest = std::max(widest, fontMetrics().horizontalAdvance(itemText(i)) + 32);
    if (const QScreen* shown = screen())
        widest = std::min(widest, shown->availableGeometry().width() - 20);
    view()->setMinimumWidth(widest);
    QComboBox::showPopup();
}
