#pragma once

#include "cd/discrecord.h"
#include "checksums/disclayout.h"

#include <optional>
#include <QObject>
#include <QStringList>

class DiscInformation;

// How a lookup of a disc's names goes, as the status window shows it.
enum class LookupStatus { Connecting, Querying, Loaded, ConnectionFailed, NoEntry };
// The database a lookup status comes from, which the status window names.
enum class LookupService { FreeDb, MusicBrainz };

// Looks a disc's names and cover up in the databases that information
// chooses. Everything arrives later, on the GUI thread.
class DiscLookup : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts a lookup of the disc of that layout; a lookup still running is
    // dropped. What it finds comes only through lookupStatusChanged.
    virtual void lookUpDisc(const DiscLayout& layout, const DiscInformation& information) = 0;
    virtual void cancel() = 0;
    // After releaseChoiceNeeded: the release whose names the disc takes,
    // from 0; -1 for none.
    virtual void chooseRelease(int index) = 0;
    // What the last lookup found, when it was of the disc of toc: names,
    // and the cover once it has come.
    virtual std::optional<DiscRecord> found(const CdToc& toc) const = 0;
    // A cover has been asked for and has not come yet: coverChanged follows.
    virtual bool isCoverPending() const { return false; }

signals:
    // Loaded comes once found() holds the disc's record. releases: with
    // Querying from MusicBrainz, how many releases it knows of the disc.
    void lookupStatusChanged(LookupStatus status, LookupService service = LookupService::FreeDb,
                             int releases = 0);
    // The database knows several releases of the disc: the user picks one.
    void releaseChoiceNeeded(const QStringList& releases);
    // The disc's cover has come, or it is known that none will.
    void coverChanged();
};
