#include "dialogs/releasechoice.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

ReleaseChoice::ReleaseChoice(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ReleaseChoice"));
    setWindowTitle(QStringLiteral("Choose the Release"));
    auto* text = new QLabel(
        QStringLiteral("MusicBrainz knows several releases of this disc. Choose the one you have:"),
        this);
    text->setWordWrap(true);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("lv_releases"));
    // Long titles wrap rather than hide their year, country and label.
    m_list->setMinimumSize(580, 160);
    m_list->setWordWrap(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setAlternatingRowColors(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btn_release_ok"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(this, &QDialog::finished, this, [this](int result) {
        if (auto chosen = std::exchange(m_chosen, nullptr))
            chosen(result == QDialog::Accepted ? m_list->currentRow() : -1);
    });
}

void ReleaseChoice::ask(const QStringList& releases, std::function<void(int)> chosen) {
    // A question still open is answered with none: the newer lookup replaces it.
    if (isVisible())
        reject();
    m_list->clear();
    m_list->addItems(releases);
    m_list->setCurrentRow(0);
    m_chosen = std::move(chosen);
    open();
}
