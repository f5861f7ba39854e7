#pragma once

#include "values/tagextras.h"

#include <QString>
#include <QStringList>

// What a disc database knows about one disc. Per-track lists are indexed by
// track (0-based) and may be shorter than the disc; a missing or empty entry
// means "no text for that track".
struct DiscRecord {
    QString artist;
    QString album;
    QString year;
    QString genre;
    QString barcode; // the release's, from MusicBrainz
    QStringList titles;
    QStringList trackArtists; // filled on samplers only
    CoverArt cover;           // the release's front cover, once it has come
    QString coverNote;        // why there is none, when something went wrong

    bool isEmpty() const {
        for (const QString& title : titles)
            if (!title.isEmpty())
                return false;
        return artist.isEmpty() && album.isEmpty();
    }
    QString title(int track) const {
        return track >= 0 && track < titles.size() ? titles[track] : QString();
    }
    QString trackArtist(int track) const {
        const QString own =
            track >= 0 && track < trackArtists.size() ? trackArtists[track] : QString();
        return own.isEmpty() ? artist : own;
    }
};
