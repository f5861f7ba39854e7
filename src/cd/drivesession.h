#pragma once

#include "filelist/rowmodel.h"

#include <QObject>
#include <QStringList>
#include <QVector>

class CdGrabber;
class DriveLayer;
class DiscInfoLookup;
class SettingsFile;

// Hands the CD reading settings to the grabber: read mode 0..3 as stored,
// retries, error action. Used at start-up and after the settings dialog's Ok.
void applyCdReadingOptions(const SettingsFile& settings, CdGrabber& grabber);

// The CD side of the window without the window: the drive list, the
// audio-disc test, the track rows of the disc in the current drive, and the
// FreeDB lookup with its status texts.
class DriveSession : public QObject {
    Q_OBJECT
public:
    DriveSession(CdGrabber& grabber, DriveLayer& drives, DiscInfoLookup& freedb,
                 QObject* parent = nullptr);

    // Starts the grabber; the number of drives it found.
    int initialize();
    // Lists the drives as "[id]  vendor  product  revision"; the first becomes the current one.
    QStringList listDrives();
    const QStringList& driveNames() const { return m_driveNames; }
    void chooseDrive(int index); // 0-based, as listed
    // The reading options, and whether a hidden track gets a row.
    void applyReadingOptions(const SettingsFile& settings);
    CdGrabber& grabber() { return m_grabber; }

    // True when any drive is known to the system (real or disc image).
    bool anyDrive();
    // True when some drive holds an audio CD or no readable volume at all.
    bool isAudioCdPresent();
    bool isAudioCdVolume(const QString& drive);

    // Reads the disc in the current drive: one ticked row per track, aimed at
    // `target`; first a row "Hidden Track" for audio before track 1, unless
    // the settings skip it.
    QVector<RowModel::Row> readTrackRows(const QString& target);
    void setHiddenTrack(bool rip) { m_hiddenTrack = rip; }
    static QString twoDigits(int n);

    // The flag every lookup passes on: 1 once the start-up has looked up the disc.
    void setQueryFlag(int flag) { m_queryFlag = flag; }
    int queryFlag() const { return m_queryFlag; }
    void startLookup();
    // After releaseChoiceNeeded: the release chosen, from 0; -1 for none.
    void chooseRelease(int index);
    // Clears the status lines and asks for the status window.
    void openStatusWindow();
    const QStringList& statusLines() const { return m_statusLines; }
    // The lines a lookup status adds; none for a status that means nothing.
    static QStringList statusTexts(int status);

signals:
    void mediaChanged();
    void statusWindowOpened();
    void statusLineAdded(const QString& line);
    // The lookup found the disc: the track rows have new names.
    void lookupLoaded();
    // The database knows several releases of the disc; chooseRelease takes the answer.
    void releaseChoiceNeeded(const QStringList& releases);

private:
    void onLookupStatus(int status);

    CdGrabber& m_grabber;
    DriveLayer& m_drives;
    DiscInfoLookup& m_freedb;
    QStringList m_driveNames;
    QStringList m_statusLines;
    int m_queryFlag = 0;
    bool m_hiddenTrack = true;
};
