#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

// A titled group of radio buttons in columns, chosen by position.
class ChoiceGroup : public QGroupBox {
    Q_OBJECT
public:
    ChoiceGroup(const QString& title, const QStringList& items, int columns,
                QWidget* parent = nullptr);

    // The chosen position, -1 when none is.
    int index() const;
    // A position beyond the last item chooses the last, a negative one none.
    void setIndex(int index);
    int count() const { return int(m_items.size()); }
    QRadioButton* button(int index) const;

signals:
    // The user chose an item.
    void clicked(int index);

private:
    QStringList m_items;
    QButtonGroup* m_buttons;
};
