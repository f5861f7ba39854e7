#pragma once

#include "settings/ui/settingspage.h"

class QPlainTextEdit;

// LAME switches typed by the user. The text is bound to no key, so it is
// neither loaded, saved nor reset: it lives in the page for the whole run and
// reaches every MP3 output file.
class Mp3CommandLinePage : public SettingsPage {
    Q_OBJECT
public:
    explicit Mp3CommandLinePage(QWidget* parent = nullptr);

    QString commandLine() const;

private:
    QPlainTextEdit* m_text;
};
