#include "tags/oggcommenteditor.h"

#include "tags/vorbiscomments.h"

#include <cstring>
#include <ogg/ogg.h>
#include <QIODevice>
#include <QtEndian>
#include <variant>
#include <vector>
#include <vorbis/codec.h>

namespace {

// The headers of a stream sit at its start; a file that has not given them
// after this much is not one we can read.
constexpr qint64 kMaxHeaderBytes = 64 << 20;
constexpr long kReadChunk = 1 << 16;

const QByteArray kVorbisCommentPrefix("\x03vorbis", 7);
const QByteArray kOpusHead("OpusHead", 8);
const QByteArray kOpusTags("OpusTags", 8);

QByteArray packetBytes(const ogg_packet& packet) {
    return QByteArray(reinterpret_cast<const char*>(packet.packet), static_cast<int>(packet.bytes));
}

// Whether the page's last packet ends on it (no packet continues on the next page).
bool endsOnPacketBoundary(const ogg_page& page) {
    const int segments = page.header[26];
    return segments > 0 && page.header[27 + segments - 1] < 255;
}

} // namespace

struct OggCommentEditor::Private {
    enum class PageResult { Page, End, Damaged };
    // Where the rebuilt header pages go among the pages kept from before them.
    enum class Marker { Ident, Headers };

    QIODevice* source = nullptr;
    ogg_sync_state sync{};
    ogg_stream_state stream{};
    bool streamInitialised = false;
    vorbis_comment block{};
    qint64 bytesRead = 0;

    Codec codec = Codec::Unknown;
    int serial = 0;
    QByteArray ident, setup, vendor;
    QList<QByteArray> texts;
    long lastHeaderPage = 0;
    bool headersEndStream = false;
    std::vector<std::variant<Marker, QByteArray>> before;
    QString error;
    QString blocker;

    Private() {
        ogg_sync_init(&sync);
        vorbis_comment_init(&block);
    }
    ~Private() {
        vorbis_comment_clear(&block);
        if (streamInitialised)
            ogg_stream_clear(&stream);
        ogg_sync_clear(&sync);
    }

    PageResult nextPage(ogg_page& page) {
        for (;;) {
            const int result = ogg_sync_pageout(&sync, &page);
            if (result == 1)
                return PageResult::Page;
            if (result < 0) {
                error = QStringLiteral("The file holds a damaged Ogg page");
                return PageResult::Damaged;
            }
            char* buffer = ogg_sync_buffer(&sync, kReadChunk);
            const qint64 got = buffer ? source->read(buffer, kReadChunk) : -1;
            if (got < 0) {
                error = source->errorString();
                return PageResult::Damaged;
            }
            if (got == 0)
                return PageResult::End;
            bytesRead += got;
            ogg_sync_wrote(&sync, static_cast<long>(got));
        }
    }

    bool fail(const QString& text) {
        error = text;
        return false;
    }

    bool readHeaders() {
        ogg_page page;
        if (nextPage(page) != PageResult::Page)
            return fail(error.isEmpty() ? QStringLiteral("The file is not an Ogg stream") : error);
        if (!ogg_page_bos(&page))
            return fail(QStringLiteral("The file does not start an Ogg stream"));
        serial = ogg_page_serialno(&page);
        ogg_stream_init(&stream, serial);
        streamInitialised = true;
        if (!endsOnPacketBoundary(page) || ogg_page_packets(&page) != 1)
            blocker = QStringLiteral("The first page holds more than the stream's first header");
        before.emplace_back(Marker::Ident);

        int packetsWanted = 0; // set once the codec is known
        int packetsSeen = 0;
        for (;;) {
            if (ogg_page_serialno(&page) != serial) {
                before.emplace_back(
                    QByteArray(reinterpret_cast<const char*>(page.header), page.header_len) +
                    QByteArray(reinterpret_cast<const char*>(page.body), page.body_len));
            } else {
                if (ogg_stream_pagein(&stream, &page) != 0)
                    return fail(QStringLiteral("The stream's pages are out of order"));
                ogg_packet packet;
                int result;
                while (packetsWanted == 0 || packetsSeen < packetsWanted) {
                    result = ogg_stream_packetout(&stream, &packet);
                    if (result == 0)
                        break;
                    if (result < 0)
                        return fail(QStringLiteral("The stream's headers have a gap"));
                    if (!takeHeader(packetsSeen++, packet, packetsWanted))
                        return false;
                }
                if (packetsWanted != 0 && packetsSeen == packetsWanted) {
                    lastHeaderPage = ogg_page_pageno(&page);
                    headersEndStream = ogg_page_eos(&page);
                    if (ogg_stream_packetpeek(&stream, nullptr) != 0 || !endsOnPacketBoundary(page))
                        blocker =
                            QStringLiteral("Sound data shares a page with the stream headers");
                    before.emplace_back(Marker::Headers);
                    return true;
                }
            }
            if (bytesRead > kMaxHeaderBytes)
                return fail(QStringLiteral("The stream headers are too large"));
            const PageResult result = nextPage(page);
            if (result == PageResult::End)
                return fail(QStringLiteral("The file ends inside the stream headers"));
            if (result == PageResult::Damaged)
                return false;
        }
    }

    bool takeHeader(int index, ogg_packet& packet, int& packetsWanted) {
        const QByteArray bytes = packetBytes(packet);
        if (index == 0) {
            if (vorbis_synthesis_idheader(&packet) == 1) {
                codec = Codec::Vorbis;
                packetsWanted = 3;
            } else if (bytes.startsWith(kOpusHead)) {
                codec = Codec::Opus;
                packetsWanted = 2;
            } else {
                return fail(QStringLiteral("The file is not an Ogg Vorbis stream"));
            }
            ident = bytes;
            return true;
        }
        if (index == 1) {
            const QByteArray& prefix = codec == Codec::Vorbis ? kVorbisCommentPrefix : kOpusTags;
            if (!bytes.startsWith(prefix) ||
                !VorbisComments::parse(bytes, prefix.size(), vendor, texts))
                return fail(QStringLiteral("The stream's comment header is damaged"));
            for (const QByteArray& text : texts)
                vorbis_comment_add(&block, text.constData());
            return true;
        }
        if (!bytes.startsWith(QByteArray("\x05vorbis", 7)))
            return fail(QStringLiteral("The stream's setup header is damaged"));
        setup = bytes;
        return true;
    }

    QByteArray commentPacket() const {
        QList<QByteArray> comments;
        for (int i = 0; i < block.comments; ++i)
            comments << QByteArray(block.user_comments[i], block.comment_lengths[i]);
        if (codec == Codec::Opus)
            return kOpusTags + VorbisComments::block(vendor, comments);
        // Vorbis ends the packet in a framing bit.
        return kVorbisCommentPrefix + VorbisComments::block(vendor, comments) + '\x01';
    }

    static bool writePage(QIODevice& destination, const ogg_page& page) {
        return destination.write(reinterpret_cast<const char*>(page.header), page.header_len) ==
                   page.header_len &&
               destination.write(reinterpret_cast<const char*>(page.body), page.body_len) ==
                   page.body_len;
    }

    bool writeHeaderPages(QIODevice& destination, ogg_stream_state& out, Marker marker) {
        QByteArray comment = commentPacket();
        auto packetIn = [&](QByteArray& bytes, long number, bool first, bool last) {
            ogg_packet packet{};
            packet.packet = reinterpret_cast<unsigned char*>(bytes.data());
            packet.bytes = bytes.size();
            packet.b_o_s = first;
            packet.e_o_s = last;
            packet.granulepos = 0;
            packet.packetno = number;
            ogg_stream_packetin(&out, &packet);
        };
        if (marker == Marker::Ident) {
            packetIn(ident, 0, true, false);
        } else if (codec == Codec::Opus) {
            packetIn(comment, 1, false, headersEndStream);
        } else {
            packetIn(comment, 1, false, false);
            packetIn(setup, 2, false, headersEndStream);
        }
        ogg_page page;
        while (ogg_stream_flush(&out, &page) != 0)
            if (!writePage(destination, page))
                return fail(destination.errorString());
        return true;
    }

    bool write(QIODevice& destination) {
        if (!blocker.isEmpty())
            return fail(blocker);
        ogg_stream_state out;
        ogg_stream_init(&out, serial);
        struct Clear {
            ogg_stream_state& s;
            ~Clear() { ogg_stream_clear(&s); }
        } clear{out};

        for (const auto& item : before) {
            if (const auto* marker = std::get_if<Marker>(&item)) {
                if (!writeHeaderPages(destination, out, *marker))
                    return false;
            } else {
                const QByteArray& page = std::get<QByteArray>(item);
                if (destination.write(page) != page.size())
                    return fail(destination.errorString());
            }
        }

        // The stream's later pages follow on from the rebuilt header pages.
        const long shift = out.pageno - (lastHeaderPage + 1);
        bool streamEnded = headersEndStream;
        ogg_page page;
        for (;;) {
            const PageResult result = nextPage(page);
            if (result == PageResult::Damaged)
                return false;
            if (result == PageResult::End)
                break;
            if (ogg_page_serialno(&page) == serial && !streamEnded) {
                if (shift != 0) {
                    qToLittleEndian(static_cast<quint32>(ogg_page_pageno(&page) + shift),
                                    page.header + 18);
                    ogg_page_checksum_set(&page);
                }
                streamEnded = ogg_page_eos(&page);
            }
            if (!writePage(destination, page))
                return fail(destination.errorString());
        }
        if (sync.fill > sync.returned)
            return fail(QStringLiteral("The file ends in the middle of an Ogg page"));
        return true;
    }
};

OggCommentEditor::OggCommentEditor() : d(std::make_unique<Private>()) {}
OggCommentEditor::~OggCommentEditor() = default;

bool OggCommentEditor::open(QIODevice& source) {
    d->source = &source;
    return d->readHeaders();
}

OggCommentEditor::Codec OggCommentEditor::codec() const {
    return d->codec;
}
QList<QByteArray> OggCommentEditor::commentTexts() const {
    return d->texts;
}

bool OggCommentEditor::rewritable() const {
    return d->codec != Codec::Unknown && d->blocker.isEmpty();
}

vorbis_comment* OggCommentEditor::comments() {
    return &d->block;
}

bool OggCommentEditor::write(QIODevice& destination) {
    if (d->codec == Codec::Unknown)
        return d->fail(QStringLiteral("The file is not an Ogg Vorbis stream"));
    return d->write(destination);
}

QString OggCommentEditor::lastError() const {
    return d->error.isEmpty() ? d->blocker : d->error;
}
