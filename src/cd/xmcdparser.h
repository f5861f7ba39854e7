#pragma once

#include "cd/discrecord.h"

#include <QString>

// Reads an xmcd record (the text of a "cddb read" entry): DTITLE "Artist /
// Album", DYEAR, DGENRE and TTITLEn. A keyword given twice continues its
// value; \n, \t and \\ are escapes. Texts are cleaned as untrusted; at most
// maxTracks titles are kept.
DiscRecord parseXmcdRecord(const QString& text, int maxTracks = 99);
