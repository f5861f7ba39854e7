#include "app/radiogroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

RadioGroup::RadioGroup(const QString& title, const QStringList& items, int columns, QWidget* parent)
    : QGroupBox(title, parent), m_items(items), m_columns(columns),
      m_buttons(new QButtonGroup(this)) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 2, 4, 2);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(0);
    QList<int> order;
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        button->setObjectName(QStringLiteral("item%1").arg(i));
        m_buttons->addButton(button, i);
        order << i;
    }
    setLayoutOrder(order);
    // Toggled, not clicked: a screen reader's toggle action and the arrow keys
    // check an item without a click, and the group must follow what it shows.
    connect(m_buttons, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            choose(id, true);
    });
}

void RadioGroup::setLayoutOrder(const QList<int>& order) {
    auto* grid = static_cast<QGridLayout*>(layout());
    const int rows = (int(order.size()) + m_columns - 1) / m_columns;
    for (int place = 0; place < order.size(); ++place) {
        QAbstractButton* button = m_buttons->button(order[place]);
        if (!button)
            continue;
        grid->removeWidget(button);
        // Items run down the first column, then the next, as in a radio group.
        grid->addWidget(button, place % rows, place / rows);
    }
}

QString RadioGroup::itemText(int index) const {
    return index >= 0 && index < m_items.size() ? m_items[index] : QString();
}

void RadioGroup::setItemIndex(int index) {
    if (index >= m_items.size())
        index = m_items.size() - 1;
    if (index < 0)
        index = -1;
    choose(index, false);
}

void RadioGroup::choose(int index, bool fromUser) {
    if (index == m_index && !fromUser)
        return;
    const bool changed = index != m_index;
    m_index = index;
    if (index < 0) {
        m_buttons->setExclusive(false);
        for (auto* button : m_buttons->buttons())
            button->setChecked(false);
        m_buttons->setExclusive(true);
    } else {
        m_buttons->button(index)->setChecked(true);
    }
    if (changed)
        emit clicked();
}
