#include "settings/ui/settingsdialog.h"

#include "components/lame/lamecommandline.h"
#include "platform/inifile.h"
#include "platform/userprompt.h"
#include "settings/settingsfile.h"
#include "settings/ui/cdreadingpage.h"
#include "settings/ui/flacpage.h"
#include "settings/ui/freedbpage.h"
#include "settings/ui/generalpage.h"
#include "settings/ui/mp3commandlinepage.h"
#include "settings/ui/mp3expertpage.h"
#include "settings/ui/mp3filterpage.h"
#include "settings/ui/mp3generalpage.h"
#include "settings/ui/mp3presetspage.h"
#include "settings/ui/mp3vbrpage.h"
#include "settings/ui/oggpage.h"
#include "settings/ui/opuspage.h"
#include "settings/ui/wavpage.h"
#include "settings/ui/wmarmpage.h"

#include <algorithm>
#include <exception>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

struct Node {
    const char* text;
    int page; // position in the stack
    const char* title;
};

// "MP3 " and "General" share the general page.
const Node Nodes[SettingsDialog::NodeCount] = {
    {"MP3 ", 0, "Set MP3 General"},
    {"General", 0, "Set MP3 General"},
    {"VBR", 1, "Set MP3 VBR"},
    {"Filtering", 2, "Set MP3 Filter"},
    {"Expert ", 3, "Set MP3 Expert"},
    {"Presets", 4, "Set MP3 Presets"},
    {"Command Line", 5, "Set MP3 Command Line"},
    {"WAV", 6, "Set WAV Format"},
    {"WMA/RM", 7, "Set WMA/RM Format"},
    {"OGG", 8, "Set OGG Format"},
    {"CD Setings", 9, "Set CD"},
    {"FreeDB", 10, "Set Freedb"},
    {"Jobs", 11, "Set Jobs"},
    {"FLAC", 12, "Set FLAC Format"},
    {"OPUS", 13, "Set OPUS Format"},
};
constexpr int Mp3ChildCount = 6;
// FLAC and OPUS came after the nodes' numbers were fixed: they keep the next
// numbers but stand in the tree after OGG, with the other encoders.
constexpr int OggNode = 9;
constexpr int FirstLaterEncoderNode = 13;

} // namespace

SettingsDialog::SettingsDialog(SettingsFile& settings, const QStringList& rmCodecNames,
                               UserPrompt& prompt, std::function<void()> applyCdReadingOptions,
                               QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_settings(settings), m_prompt(prompt),
      m_applyCdReadingOptions(std::move(applyCdReadingOptions)) {
    setObjectName(QStringLiteral("fm_set"));
    setWindowTitle(QStringLiteral("Settings"));

    m_pageTree = new QTreeWidget(this);
    m_pageTree->setObjectName(QStringLiteral("TreeView1"));
    m_pageTree->setHeaderHidden(true);
    m_pageTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int i = 0; i < NodeCount; ++i) {
        const bool child = i >= 1 && i <= Mp3ChildCount;
        QTreeWidgetItem* item = nullptr;
        if (child) {
            item = new QTreeWidgetItem(m_nodes[0]);
        } else if (i >= FirstLaterEncoderNode) {
            item = new QTreeWidgetItem;
            const int afterOgg = m_pageTree->indexOfTopLevelItem(m_nodes[OggNode]) + 1;
            m_pageTree->insertTopLevelItem(afterOgg + i - FirstLaterEncoderNode, item);
        } else {
            item = new QTreeWidgetItem(m_pageTree);
        }
        item->setText(0, QLatin1String(Nodes[i].text));
        m_nodes.push_back(item);
    }
    m_pageTree->expandAll();
    int widest = 0;
    for (const Node& node : Nodes)
        widest =
            std::max(widest, m_pageTree->fontMetrics().horizontalAdvance(QLatin1String(node.text)));
    // Room for the children's indentation, the branch sign and the frame.
    m_pageTree->setFixedWidth(widest + 3 * m_pageTree->indentation());
    // A click shows a page; moving the selection with the keyboard does not.
    connect(m_pageTree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { showSettingsPage(nodeIndex(item)); });

    m_commandLine = new Mp3CommandLinePage;
    m_wmaRm = new WmaRmPage;
    m_wmaRm->setRmCodecNames(rmCodecNames);
    m_cdReading = new CdReadingPage;
    m_pages = {new Mp3GeneralPage, new Mp3VbrPage, new Mp3FilterPage, new Mp3ExpertPage,
               new Mp3PresetsPage, m_commandLine,  new WavPage,       m_wmaRm,
               new OggPage,        m_cdReading,    new FreedbPage,    new GeneralPage,
               new FlacPage,       new OpusPage};
    m_stack = new QStackedWidget(this);
    m_stack->setObjectName(QStringLiteral("pages"));
    for (SettingsPage* page : m_pages)
        m_stack->addWidget(page);

    m_okButton = new QPushButton(QStringLiteral("Ok"), this);
    m_okButton->setObjectName(QStringLiteral("Ok"));
    m_okButton->setDefault(true);
    m_defaultsButton = new QPushButton(QStringLiteral("Default"), this);
    m_defaultsButton->setObjectName(QStringLiteral("Button2"));
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("Cancel"));
    connect(m_okButton, &QPushButton::clicked, this, &SettingsDialog::okClick);
    connect(m_defaultsButton, &QPushButton::clicked, this, &SettingsDialog::defaultsClick);
    connect(m_cancelButton, &QPushButton::clicked, this, &SettingsDialog::reject);
    // A search for the offset ends with the dialog: no one is left to show its answer.
    connect(this, &QDialog::finished, m_cdReading, &CdReadingPage::cancelSearch);

    auto* pages = new QHBoxLayout;
    pages->addWidget(m_pageTree);
    pages->addWidget(m_stack, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_defaultsButton);
    buttons->addWidget(m_cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(pages, 1);
    layout->addLayout(buttons);
    resize(QSize(400, 339).expandedTo(sizeHint()));
}

QString SettingsDialog::commandLine() const {
    return m_commandLine->commandLine();
}

void SettingsDialog::setRmCodecNames(const QStringList& names) {
    m_wmaRm->setRmCodecNames(names);
}

int SettingsDialog::nodeIndex(const QTreeWidgetItem* item) const {
    for (int i = 0; i < NodeCount; ++i)
        if (m_nodes[std::size_t(i)] == item)
            return i;
    return -1;
}

void SettingsDialog::showSettingsPage(int node) {
    if (node < 0 || node >= NodeCount)
        return;
    setWindowTitle(QLatin1String(Nodes[node].title));
    m_stack->setCurrentIndex(Nodes[node].page);
    m_shownNode = node;
}

// Every showing reloads the file, so edits left without Ok are gone; the
// page of the selected node opens, on the first showing node 0.
void SettingsDialog::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        loadPages();
        if (!m_pageTree->currentItem())
            m_pageTree->setCurrentItem(m_nodes[0]);
        showSettingsPage(nodeIndex(m_pageTree->currentItem()));
    }
    QDialog::showEvent(event);
}

void SettingsDialog::loadPages() {
    for (SettingsPage* page : m_pages)
        page->load(m_settings);
}

// The command line reaches every MP3 file whether the dialog closes with Ok
// or not: one the encoder would refuse would fail every MP3 row of a job, so
// the dialog does not close on it.
bool SettingsDialog::commandLineAccepted() {
    const QString lineError = lameCommandLineError(commandLine());
    if (lineError.isEmpty())
        return true;
    m_pageTree->setCurrentItem(m_nodes[CommandLineNode]);
    showSettingsPage(CommandLineNode);
    m_prompt.information(lineError);
    return false;
}

void SettingsDialog::reject() {
    if (commandLineAccepted())
        QDialog::reject();
}

void SettingsDialog::okClick() {
    if (!commandLineAccepted())
        return;
    try {
        for (const SettingsPage* page : m_pages)
            page->save(m_settings);
    } catch (const IniWriteError& error) {
        m_prompt.information(error.message()); // the keys after it are not written
        return;
    }
    if (m_applyCdReadingOptions) {
        // The settings are saved; a ripper that refuses them is told, not fatal here.
        try {
            m_applyCdReadingOptions();
        } catch (const std::exception& error) {
            m_prompt.information(QString::fromStdString(error.what()));
        }
    }
    accept();
}

void SettingsDialog::defaultsClick() {
    for (SettingsPage* page : m_pages)
        page->resetToDefaults();
}
