#include "cd/cddbreply.h"
#include "cd/xmcdparser.h"
#include "fuzztext.h"
#include "values/cdtoc.h"

#include <cstdlib>

namespace {

void checkRecord(const DiscRecord& record) {
    checkCleanText(record.artist);
    checkCleanText(record.album);
    for (const QString& title : record.titles)
        checkCleanText(title);
    for (const QString& artist : record.trackArtists)
        checkCleanText(artist);
    if (record.titles.size() > 99)
        std::abort();
}

} // namespace

// A CDDB server's reply, whatever its bytes: read as the answer to a query, as
// a record, and as the offsets line of the local cache.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const CddbMatch match = parseCddbQueryReply(bytes);
    // A match is sent back to the server: it must be a plain word and an ID.
    if (match.outcome == CddbOutcome::Found) {
        if (match.discId.size() != 8 || match.category.isEmpty())
            std::abort();
        for (const QChar c : match.category)
            if (!c.isLetterOrNumber() || c.unicode() > 127)
                std::abort();
    }
    checkRecord(parseCddbReadReply(bytes, 99).record);
    const QString text = decodeCddbText(bytes);
    checkRecord(parseXmcdRecord(text, 99));
    const CdToc toc = CdToc::fromText(text);
    if (!toc.isEmpty() && toc.discId().size() != 8)
        std::abort();
    return 0;
}
