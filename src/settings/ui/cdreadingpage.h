#pragma once

#include "cd/offsetfinder.h"
#include "settings/ui/settingspage.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;

// How the CD is read: grab mode, retries and what to do on a read error.
class CdReadingPage : public SettingsPage {
    Q_OBJECT
public:
    explicit CdReadingPage(QWidget* parent = nullptr);

    // The drive's read offset is kept under a key named after the drive, so
    // it is loaded and saved beside the page's table.
    void load(const SettingsFile& settings) override;
    void save(SettingsFile& settings) const override;

    void setDriveOffsetAccess(DriveOffsetAccess access) { m_offsetAccess = std::move(access); }

    // Ends a search still running; its answer no longer counts.
    void cancelSearch();

private:
    void findOffset();
    void searchEnded(const QString& text);

    // The chosen grab mode (0 burst .. 3 paranoid) and error action (0 stop,
    // 1 silence, 2 cut), as the radio buttons were last clicked: these are
    // stored, not the buttons.
    int m_pendingReadMode = 0;
    int m_pendingErrorAction = 0;
    QButtonGroup* m_modes;
    QSpinBox* m_retries;
    QButtonGroup* m_actions;
    DriveOffsetAccess m_offsetAccess;
    QString m_offsetKey; // of the drive the page was loaded for
    QLabel* m_drive;
    QSpinBox* m_offset;
    QPushButton* m_findOffset;
    QPushButton* m_cancelOffset;
    QProgressBar* m_offsetProgress;
    QLabel* m_offsetStatus;
    QCheckBox* m_hiddenTrack;
    QComboBox* m_cueSheet;
    QComboBox* m_deEmphasis;
    QCheckBox* m_discAsOneFile;
    int m_finding = 0; // the search whose answer counts
    DriveOffsetAccess::Cancel m_cancel;
};
