#pragma once

#include "settings/ui/settingspage.h"

#include <functional>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;

// What the page knows of the current drive's read offset.
struct DriveOffsetAccess {
    // The key of section "AccurateRip" that keeps the drive's offset; empty
    // for a disc image or no drive.
    std::function<QString()> key;
    // "VENDOR PRODUCT" of the current drive.
    std::function<QString()> driveName;
    using Found = std::function<void(std::optional<int> offset, const QString& text)>;
    // How far the search has come, in per cent, and what it does now.
    using Progress = std::function<void(int percent, const QString& text)>;
    using Cancel = std::function<void()>;
    // Finds the offset with the disc in the drive without blocking: progress
    // as it goes, then found once, unless the search is cancelled first.
    std::function<Cancel(Found found, Progress progress)> find;
};

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
