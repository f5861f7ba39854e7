#include "settings/ui/choicegroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

ChoiceGroup::ChoiceGroup(const QString& title, const QStringList& items, int columns,
                         QWidget* parent)
    : QGroupBox(title, parent), m_items(items), m_buttons(new QButtonGroup(this)) {
    auto* layout = new QGridLayout(this);
    // Items run down the columns, as in a Windows radio group.
    const int rows = (int(items.size()) + columns - 1) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        button->setObjectName(QStringLiteral("item%1").arg(i));
        m_buttons->addButton(button, i);
        layout->addWidget(button, i % rows, i / rows);
    }
    connect(m_buttons, &QButtonGroup::idClicked, this, &ChoiceGroup::clicked);
}

int ChoiceGroup::index() const {
    return m_buttons->checkedId();
}

void ChoiceGroup::setIndex(int index) {
    if (m_items.isEmpty())
        return;
    if (index < 0) {
        // An exclusive group will not uncheck its last button by itself.
        m_buttons->setExclusive(false);
        for (QAbstractButton* button : m_buttons->buttons())
            button->setChecked(false);
        m_buttons->setExclusive(true);
        return;
    }
    m_buttons->button(std::min(index, count() - 1))->setChecked(true);
}

QRadioButton* ChoiceGroup::button(int index) const {
    return qobject_cast<QRadioButton*>(m_buttons->button(index));
}
