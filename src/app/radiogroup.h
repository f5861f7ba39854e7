#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;

// A titled group of radio buttons laid out in columns, chosen by index.
// Choosing an item from code behaves like the user's click: clicked() is
// emitted whenever the chosen item changes.
class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString& title, const QStringList& items, int columns,
               QWidget* parent = nullptr);

    // Lays the items out in this order (their indexes) instead of by index,
    // which stays what itemIndex() and setItemIndex() mean.
    void setLayoutOrder(const QList<int>& order);

    int itemIndex() const { return m_index; }
    // An index beyond the last item chooses the last, a negative one none.
    void setItemIndex(int index);
    QString itemText(int index) const;
    int count() const { return m_items.size(); }
    QString chosenText() const { return itemText(m_index); }

signals:
    void clicked();

private:
    void choose(int index, bool fromUser);

    QStringList m_items;
    int m_columns;
    QButtonGroup* m_buttons;
    int m_index = -1;
};
