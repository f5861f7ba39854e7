#pragma once

#include "cd/discrecord.h"

#include <QByteArray>
#include <QString>

// The replies of a CDDB server to "cddb query" and "cddb read", as plain
// text bodies. Anything the parser cannot trust ends as Failed or NotFound,
// never in a guess.
enum class CddbOutcome { Found, NotFound, Failed };

struct CddbMatch {
    CddbOutcome outcome = CddbOutcome::Failed;
    QString category; // letters and digits only, safe to send back
    QString discId;   // eight hex digits
};

struct CddbEntry {
    CddbOutcome outcome = CddbOutcome::Failed;
    DiscRecord record;
};

// Level 6 sends UTF-8; older servers Latin-1.
QString decodeCddbText(const QByteArray& body);

// 200 one exact match, 210 several exact, 211 inexact (the first is taken);
// 202 and 403 mean no entry; everything else is a failure.
CddbMatch parseCddbQueryReply(const QByteArray& body);

// 210 with an xmcd record ended by "."; 401 no entry; everything else, or a
// record without its end, is a failure.
CddbEntry parseCddbReadReply(const QByteArray& body, int trackCount);
