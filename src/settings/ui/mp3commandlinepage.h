#pragma once

#include "settings/ui/settingspage.h"

class QPlainTextEdit;

// LAME switches typed by the user. The text is never stored: it lives in the
// page for the whole run and reaches every MP3 output file.
class Mp3CommandLinePage : public SettingsPage {
    Q_OBJECT
public:
    explicit Mp3CommandLinePage(QWidget* parent = nullptr);

    void load(const SettingsFile& settings) override;
    void save(SettingsFile& settings) const override;
    void setDefaults() override;

    QString commandLine() const;

private:
    QPlainTextEdit* m_text;
};
