#pragma once

#include <functional>
#include <QDialog>
#include <QStringList>
#include <vector>

class CdReadingPage;
class UserPrompt;
class Mp3CommandLinePage;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;
class SettingsFile;
class SettingsPage;
class WmaRmPage;

// The settings dialog: a tree of pages on the left, the page on the right.
// It is made once and shown modally as often as the user asks; every showing
// loads the pages from the settings file, Ok writes them all back.
class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int NodeCount = 15;
    static constexpr int CommandLineNode = 6;

    // `applyCdReadingOptions` hands the CD reading settings, just written, to
    // the ripper; it runs at the end of every successful Ok.
    SettingsDialog(SettingsFile& settings, const QStringList& rmCodecNames, UserPrompt& prompt,
                   std::function<void()> applyCdReadingOptions, QWidget* parent = nullptr);

    // The MP3 command line as typed now, saved or not: every MP3 output takes it.
    QString commandLine() const;
    // The CD page, which shows and sets the current drive's read offset.
    CdReadingPage& cdReadingPage() { return *m_cdReading; }
    void setRmCodecNames(const QStringList& names);

    // Shows the page of tree node `node` (0..14) under its title; any other
    // value changes nothing.
    void showSettingsPage(int node);
    // The tree node whose page is shown, -1 before the first showing.
    int shownNode() const { return m_shownNode; }

public slots:
    // Cancel, Escape and the close box: closes without saving.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void loadPages();
    bool commandLineAccepted();
    void okClick();
    void defaultsClick();
    int nodeIndex(const QTreeWidgetItem* item) const;

    SettingsFile& m_settings;
    UserPrompt& m_prompt;
    std::function<void()> m_applyCdReadingOptions;

    QTreeWidget* m_pageTree;
    std::vector<QTreeWidgetItem*> m_nodes; // in the order of their absolute index
    QStackedWidget* m_stack;
    std::vector<SettingsPage*> m_pages; // in the order of the settings file's key table
    Mp3CommandLinePage* m_commandLine;
    WmaRmPage* m_wmaRm;
    CdReadingPage* m_cdReading;
    QPushButton* m_okButton;
    QPushButton* m_defaultsButton;
    QPushButton* m_cancelButton;
    int m_shownNode = -1;
};
