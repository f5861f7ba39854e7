#pragma once

#include <functional>
#include <QDialog>
#include <QStringList>

class QListWidget;

// Several releases of the disc are known (pressings, countries): the user
// picks the one in the drive. Shown without blocking the window; chosen
// gets the row picked, or -1 when the user declines.
class ReleaseChoice : public QDialog {
    Q_OBJECT
public:
    explicit ReleaseChoice(QWidget* parent = nullptr);

    // Lists releases and shows the dialog; chosen is called once it closes.
    void ask(const QStringList& releases, std::function<void(int)> chosen);

private:
    QListWidget* m_list;
    std::function<void(int)> m_chosen;
};
