// Makes the fuzz targets' corpus: short files tagged by Orvelle's own writers,
// the same files cut short at several points, and a few known kinds of damage.
#include "tags/flactag.h"
#include "tags/id3v2tag.h"
#include "tags/oggtag.h"
#include "tags/tagerror.h"
#include "tags/wmatag.h"

#include <cstdio>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtEndian>

namespace {

bool encode(const QString& path, const QStringList& codec) {
    const QStringList arguments =
        QStringList{"-v", "error", "-nostdin", "-y",
                    "-f", "lavfi", "-i",       "sine=frequency=440:duration=0.2"} +
        codec + QStringList{path};
    return QProcess::execute(QStringLiteral("ffmpeg"), arguments) == 0;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// The file itself, and the file cut short at points inside and after its headers.
bool addWithCuts(const QString& folder, const QString& name, const QByteArray& bytes) {
    bool ok = writeFile(folder + '/' + name, bytes);
    for (int cut : {10, 30, 60, 120, 250, 500, int(bytes.size() / 2), int(bytes.size() - 1)})
        if (cut > 0 && cut < bytes.size())
            ok = writeFile(QStringLiteral("%1/%2-cut%3").arg(folder, name).arg(cut),
                           bytes.left(cut)) &&
                 ok;
    return ok;
}

bool makeMp3(const QString& folder, const QString& work) {
    const QString file = work + "/a.mp3";
    if (!encode(file, {"-c:a", "libmp3lame", "-b:a", "32k", "-id3v2_version", "0", "-f", "mp3"}))
        return false;
    ID3StructV2 tag{"Title", "Artist", "Album", "2001", "3", "Comment", "Rock"};
    bool ok = writeID3v2Tag(file, tag) && addWithCuts(folder, "latin1.mp3", readFile(file));
    tag.title = QStringLiteral("T\u00eftle \u65e5\u672c");
    ok = ok && writeID3v2Tag(file, tag) && addWithCuts(folder, "utf16.mp3", readFile(file));
    QByteArray huge = readFile(file);
    huge.replace(10 + 4, 4, QByteArray("\xFF\xFF\xFF\xFF", 4)); // first frame's size
    ok = ok && writeFile(folder + "/huge-frame.mp3", huge);
    // An ID3v2.4 tag with UTF-8 values and syncsafe frame sizes, as ffmpeg writes it.
    const QString v24 = work + "/b.mp3";
    return ok &&
           encode(v24, {"-c:a", "libmp3lame", "-b:a", "32k", "-metadata", "title=\u00e9t\u00e9",
                        "-metadata", "artist=x", "-id3v2_version", "4", "-f", "mp3"}) &&
           writeFile(folder + "/v24.mp3", readFile(v24));
}

bool makeOgg(const QString& folder, const QString& work) {
    const QString file = work + "/a.ogg";
    if (!encode(file, {"-c:a", "libvorbis", "-q:a", "0", "-f", "ogg"}))
        return false;
    const OGGTag tag{"Album", "Title \u00e9", "Artist", "Comment", "Rock", "2001", "3"};
    bool ok = writeOggTag(file, tag) && addWithCuts(folder, "vorbis.ogg", readFile(file));
    const QString opus = work + "/b.ogg";
    return ok && encode(opus, {"-c:a", "libopus", "-metadata", "title=x", "-f", "ogg"}) &&
           writeFile(folder + "/opus.ogg", readFile(opus));
}

bool makeWma(const QString& folder, const QString& work) {
    const QString file = work + "/a.wma";
    if (!encode(file, {"-c:a", "wmav2", "-b:a", "32k", "-f", "asf"}))
        return false;
    WmaTag tag;
    tag.title = QStringLiteral("Title \u00e9");
    tag.artist = "Artist";
    tag.album = "Album";
    tag.year = "2001";
    tag.track = 3;
    tag.comment = "Comment";
    tag.genre = "Rock";
    TagExtras extras;
    extras.cover.data = QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(200, '\x55');
    extras.gain.trackGain = -6.52;
    if (!writeWmaTag(file, tag, extras))
        return false;
    const QByteArray bytes = readFile(file);
    QByteArray emptyObject = bytes;
    qToLittleEndian<quint64>(0, emptyObject.data() + 30 + 16); // first object of size 0
    return addWithCuts(folder, "tagged.wma", bytes) &&
           writeFile(folder + "/empty-object.wma", emptyObject);
}

// Replies a CDDB server gives: matches, lists, a record, refusals, and a record cut short.
bool makeCddb(const QString& folder) {
    const QByteArray record =
        "210 rock 15032003 CD database entry follows (until terminating `.')\r\n# xmcd\r\n"
        "DISCID=15032003\r\nDTITLE=Various / Hits \\n Two\r\nDYEAR=1999\r\nDGENRE=Rock\r\n"
        "TTITLE0=Band / Song\r\nTTITLE0= continued\\t\r\nTTITLE1=Other\r\nEXTD=\r\n"
        "PLAYORDER=\r\n.\r\n";
    const std::pair<const char*, QByteArray> replies[] = {
        {"exact", "200 rock 15032003 Artist / Album\r\n"},
        {"inexact",
         "211 Found inexact matches\r\nmisc 15032004 A / B\r\nrock 15032005 C / D\r\n.\r\n"},
        {"none", "202 No match for disc ID 15032003.\r\n"},
        {"record", record},
        {"latin1", "210 rock 15032003\r\nDTITLE=Bj\xf6rk / Homog\xe9nic\r\n.\r\n"},
        {"cut", record.left(record.size() / 2)},
        {"offsets", "0 18000 40500 60000"},
    };
    bool ok = true;
    for (const auto& [name, bytes] : replies)
        ok = writeFile(folder + "/" + name + ".txt", bytes) && ok;
    return ok;
}

// Settings files as a user's editor or an old version leaves them.
bool makeIni(const QString& folder) {
    const std::pair<const char*, QByteArray> files[] = {
        {"plain", "[Main]\r\nFunction=1\r\nFormat=3\r\nOutput=2\r\nPath=/home/u/Music\r\n"
                  "[mp3]\r\nbitrate=$0B\r\nquality=0x05\r\n"},
        {"odd", "; comment\n[ main ]\nfunction = -$10\n[Drives]\nimage1=disc.cue\n[\n=x\nkey\n"},
        {"long", "[Main]\nPath=" + QByteArray(3000, 'p') + "\n"},
    };
    bool ok = true;
    for (const auto& [name, bytes] : files)
        ok = writeFile(folder + "/" + name + ".ini", bytes) && ok;
    return ok;
}

// Playlists that point at a local file, at the network, and at nothing.
bool makeAsx(const QString& folder) {
    const std::pair<const char*, QByteArray> files[] = {
        {"local", "<asx version=\"3.0\"><entry><ref href=\"media.wma\"/></entry></asx>"},
        {"network", "<ASX><Entry><Ref HREF=\"mms://host/a.wma\"/></Entry>"
                    "<ENTRY><REF href=\"file:media.wma\"/></ENTRY></ASX>"},
        {"broken", "<asx><entry><ref href=\"media.wma\"><entry>"},
    };
    bool ok = true;
    for (const auto& [name, bytes] : files)
        ok = writeFile(folder + "/" + name + ".asx", bytes) && ok;
    return ok;
}

// Cue sheets of the kind the disc-image drives open: audio, data, CD-TEXT.
bool makeCue(const QString& folder) {
    const std::pair<const char*, QByteArray> files[] = {
        {"audio", "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                  "  TRACK 02 AUDIO\n    INDEX 00 00:00:30\n    INDEX 01 00:00:40\n"},
        {"text", "PERFORMER \"Band\"\nTITLE \"Album\"\nFILE \"disc.bin\" BINARY\n"
                 "  TRACK 01 AUDIO\n    TITLE \"One\"\n    PERFORMER \"Singer\"\n"
                 "    INDEX 01 00:00:00\n"},
        {"data", "FILE \"disc.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n"},
        {"missing", "FILE \"none.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"},
        // The disc's layout: a hidden track, a gap, an INDEX 02, PREGAP
        // silence, ISRCs, a catalog number and flags, some of them malformed.
        {"layout", "CATALOG 0724384960650\nFILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n"
                   "    ISRC GBAYE6700149\n    FLAGS PRE DCP 4CH SCMS\n    INDEX 00 00:00:00\n"
                   "    INDEX 01 00:00:20\n  TRACK 02 AUDIO\n    PREGAP 00:00:05\n"
                   "    INDEX 01 00:00:40\n    INDEX 02 00:00:50\n    POSTGAP 00:00:02\n"},
        // Sheets Orvelle reads itself: audio files, and one file a track.
        {"wave", "FILE \"disc.bin\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"},
        {"twofiles", "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                     "  TRACK 02 AUDIO\n    INDEX 00 00:00:70\nFILE \"disc.bin\" BINARY\n"
                     "    INDEX 01 00:00:00\n    INDEX 02 00:00:30\n  TRACK 03 AUDIO\n"
                     "    PREGAP 00:00:10\n    INDEX 01 00:00:50\n"},
        {"badlayout", "CATALOG 07243849606501\nFILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n"
                      "    ISRC GB-AYE\n    FLAGS LOUD\n    INDEX 01 00:00:00\n"
                      "  TRACK 02 AUDIO\n    INDEX 00 00:00:30\n    INDEX 01 00:00:20\n"},
    };
    bool ok = true;
    for (const auto& [name, bytes] : files)
        ok = writeFile(folder + "/" + name + ".cue", bytes) && ok;
    // More TRACK lines than a disc holds once wrote past libcdio's track table.
    QByteArray many = "FILE \"disc.bin\" BINARY\n";
    for (int i = 0; i < 119; ++i)
        many += "TRACK 01 AUDIO\n";
    return writeFile(folder + "/many.cue", many) && ok;
}

// cdrdao .toc sheets: plain audio, CD-TEXT blocks, a data track, AUDIOFILE.
bool makeToc(const QString& folder) {
    const std::pair<const char*, QByteArray> files[] = {
        {"audio", "CD_DA\n\n// Track 1\nTRACK AUDIO\nNO COPY\nFILE \"disc.bin\" 0 00:00:40\n\n"
                  "// Track 2\nTRACK AUDIO\nFILE \"disc.bin\" 00:00:40 00:00:35\n"},
        {"text", "CD_DA\nCD_TEXT {\n  LANGUAGE_MAP { 0 : EN }\n  LANGUAGE 0 {\n"
                 "    TITLE \"Album\"\n    PERFORMER \"Band\"\n  }\n}\nTRACK AUDIO\nCD_TEXT {\n"
                 "  LANGUAGE 0 {\n    TITLE \"One\"\n    PERFORMER \"Singer\"\n  }\n}\n"
                 "FILE \"disc.bin\" 0 00:01:00\n"},
        {"data", "CD_ROM\nTRACK MODE1_RAW\nDATAFILE \"disc.bin\" 00:01:00\n"},
        {"audiofile", "CD_DA\nTRACK AUDIO\nTWO_CHANNEL_AUDIO\nAUDIOFILE \"disc.bin\" 0 00:00:50\n"
                      "TRACK AUDIO\nSILENCE 00:00:02\nAUDIOFILE \"disc.bin\" 00:00:50 00:00:10\n"
                      "START 00:00:02\n"},
        {"layout", "CD_DA\nCATALOG \"0724384960650\"\nTRACK AUDIO\nISRC \"GBAYE6700149\"\n"
                   "PRE_EMPHASIS\nCOPY\nFOUR_CHANNEL_AUDIO\nFILE \"disc.bin\" 0 00:00:40\n"
                   "START 00:00:10\nINDEX 00:00:20\nTRACK AUDIO\nNO PRE_EMPHASIS\n"
                   "PREGAP 00:00:05\nFILE \"disc.bin\" 00:00:40 00:00:35\nINDEX 00:00:10\n"},
        // Once a division by zero inside libcdio.
        {"nomode", "CD_DA\nTRACK\nFILE \"disc.bin\" 0 00:00:00\n"},
    };
    bool ok = true;
    for (const auto& [name, bytes] : files)
        ok = writeFile(folder + "/" + name + ".toc", bytes) && ok;
    return ok;
}

// A Nero image of silent tracks of four frames each, with its chunk table and
// footer: the newer layout (CUEX, DAOX, 64-bit offsets, "NER5") or the older
// one (CUES, DAOI, "NERO").
QByteArray nrgImage(bool newer, int tracks) {
    constexpr int Frames = 4;
    constexpr int FrameBytes = 2352;
    const auto be = [](quint64 value, int bytes) {
        QByteArray out(bytes, '\0');
        for (int i = 0; i < bytes; ++i)
            out[bytes - 1 - i] = char(value >> (8 * i));
        return out;
    };
    const auto chunk = [&be](const char* id, const QByteArray& body) {
        return QByteArray(id, 4) + be(quint64(body.size()), 4) + body;
    };
    const auto bcd = [](int n) { return char((n / 10) << 4 | n % 10); };
    QByteArray cue;
    const auto cueEntry = [&](char track, int index, qint32 position) {
        cue += char(1) + QByteArray(1, track) + bcd(index) + '\0' + be(quint32(position), 4);
    };
    cueEntry(0, 0, -150); // lead-in
    for (int t = 0; t < tracks; ++t) {
        cueEntry(bcd(t + 1), 0, t * Frames - (t == 0 ? 150 : 0));
        cueEntry(bcd(t + 1), 1, t * Frames);
    }
    cueEntry(char(0xaa), 1, tracks * Frames); // lead-out
    const int width = newer ? 8 : 4;
    QByteArray dao = QByteArray(4 + 13 + 3, '\0') + char(1) + char(tracks);
    for (int t = 0; t < tracks; ++t) {
        const quint64 start = quint64(t) * Frames * FrameBytes;
        dao += QByteArray(12, '\0') + be(FrameBytes, 2) + char(7) + QByteArray(3, '\0') +
               be(start, width) + be(start, width) + be(start + Frames * FrameBytes, width);
    }
    dao.replace(0, 4, be(quint64(dao.size()), 4));
    const QByteArray data(tracks * Frames * FrameBytes, '\0');
    return data + chunk(newer ? "CUEX" : "CUES", cue) + chunk(newer ? "DAOX" : "DAOI", dao) +
           chunk("SINF", be(quint64(tracks), 4)) + chunk("MTYP", be(1, 4)) + chunk("END!", {}) +
           (newer ? "NER5" + be(quint64(data.size()), 8) : "NERO" + be(quint64(data.size()), 4));
}

bool makeNrg(const QString& folder) {
    // A footer that points past the end, and a lead-in anywhere but at -150,
    // once failed assertions inside libcdio.
    QByteArray far = nrgImage(true, 2);
    far[far.size() - 5] = '\x7f';
    QByteArray leadIn = nrgImage(true, 2);
    leadIn[2 * 4 * 2352 + 12] = '\0';
    // A catalog number, an ISRC, pre-emphasis and a gap before track 2.
    QByteArray layout = nrgImage(true, 2);
    const int table = 2 * 4 * 2352;
    const int cueLength = int(qFromBigEndian<quint32>(layout.constData() + table + 4));
    const int dao = table + 8 + cueLength + 8;
    layout.replace(dao + 4, 13, "0724384960650");
    layout.replace(dao + 22 + 42, 12, "GBAYE6700149");
    layout[table + 8 + 24] = layout[table + 8 + 32] = '\x11';
    qToBigEndian<qint32>(3, layout.data() + table + 8 + 28);
    return writeFile(folder + "/layout.nrg", layout) &&
           writeFile(folder + "/newer.nrg", nrgImage(true, 2)) &&
           writeFile(folder + "/older.nrg", nrgImage(false, 2)) &&
           writeFile(folder + "/one.nrg", nrgImage(true, 1)) &&
           writeFile(folder + "/far.nrg", far) && writeFile(folder + "/leadin.nrg", leadIn);
}

} // namespace

// AccurateRip replies: two entries of one disc, one cut short, one of a disc of its own.
bool makeDbar(const QString& folder) {
    const auto entry = [](int tracks) {
        QByteArray bytes(13 + 9 * tracks, '\0');
        bytes[0] = char(tracks);
        qToLittleEndian<quint32>(135000, bytes.data() + 1);
        qToLittleEndian<quint32>(455001, bytes.data() + 5);
        qToLittleEndian<quint32>(0x1e0e8e03, bytes.data() + 9);
        for (int t = 0; t < tracks; ++t) {
            bytes[13 + 9 * t] = char(5 + t);
            qToLittleEndian<quint32>(0x9abcdef0u + t, bytes.data() + 14 + 9 * t);
            qToLittleEndian<quint32>(0x12345678u * (t + 1), bytes.data() + 18 + 9 * t);
        }
        return bytes;
    };
    const QByteArray two = entry(3) + entry(3);
    return writeFile(folder + "/two.bin", two) && writeFile(folder + "/cut.bin", two.left(40)) &&
           writeFile(folder + "/twelve.bin", entry(12));
}

// MusicBrainz replies: two releases of a three-track disc, one cut short, one of
// another layout, and an empty list.
bool makeMbJson(const QString& folder) {
    const QByteArray release =
        "{\"id\":\"r1\",\"title\":\"Album\",\"date\":\"1999-02-03\",\"country\":\"GB\","
        "\"artist-credit\":[{\"name\":\"Band\",\"joinphrase\":\" & \"},{\"name\":\"Guest\"}],"
        "\"label-info\":[{\"label\":{\"name\":\"Label\"}}],\"media\":[{\"discs\":[{\"id\":"
        "\"disc-1\"}],\"tracks\":[{\"title\":\"One\"},{\"title\":\"Two\",\"artist-credit\":"
        "[{\"name\":\"Solo\"}]},{\"recording\":{\"title\":\"Three\"}}]}]}";
    const QByteArray two = "{\"releases\":[" + release + "," + release + "]}";
    return writeFile(folder + "/two.json", two) && writeFile(folder + "/cut.json", two.left(200)) &&
           writeFile(folder + "/other.json",
                     QByteArray(two).replace("\"Three\"}}", "\"Three\"}},{}")) &&
           writeFile(folder + "/none.json", "{\"releases\":[]}");
}

// CTDB replies for a three-track disc: two pressings, one cut short, one of
// another disc beside ours, and none.
bool makeCtdbXml(const QString& folder) {
    const QByteArray two =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><ctdb "
        "xmlns=\"http://db.cuetools.net/ns/mmd-1.0#\">"
        "<entry confidence=\"12\" crc32=\"a1b2c3d4\" npar=\"8\" stride=\"5880\" "
        "toc=\"0:200:380:520\" trackcrcs=\"00000001 0000ff02 12345678\"/>"
        "<entry confidence=\"3\" crc32=\"0x0badcafe\" trackcrcs=\"1 2 3\"/></ctdb>";
    return writeFile(folder + "/two.xml", two) && writeFile(folder + "/cut.xml", two.left(150)) &&
           writeFile(folder + "/other.xml",
                     QByteArray(two).replace("1 2 3\"/>", "1 2 3\"/><entry toc=\"0:9:600\"/>")) &&
           writeFile(folder + "/none.xml", "<ctdb/>");
}

// FLAC files with Orvelle's comments in their padding, with a cover block, and cut short.
bool makeFlac(const QString& folder, const QString& work) {
    const QString file = work + "/a.flac";
    if (!encode(file, {"-c:a", "flac", "-f", "flac"}))
        return false;
    const OGGTag tag{"Album", QStringLiteral("T\u00eftle \u65e5\u672c"), "Artist", "", "", "2001",
                     "3"};
    TagExtras extras;
    extras.gain = {-6.52, 0.988831, -7.0, 1.0};
    try {
        writeFlacTag(file, tag, extras);
    } catch (const TagError&) {
        return false;
    }
    bool ok = addWithCuts(folder, "comments.flac", readFile(file));
    extras.cover = {QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10\0\0\0\x10\x08\x02", 26) +
                        QByteArray(40, '\0'),
                    QStringLiteral("image/png")};
    try {
        writeFlacTag(file, tag, extras);
    } catch (const TagError&) {
        return false;
    }
    return ok && addWithCuts(folder, "picture.flac", readFile(file));
}

// Sound of several kinds and resolutions, whole and cut short, and the
// playlists that must be refused.
bool makeMedia(const QString& folder, const QString& work) {
    const struct {
        const char* name;
        QStringList codec;
    } kinds[] = {
        {"s16.wav", {"-c:a", "pcm_s16le"}},
        {"s24-51.wav", {"-ac", "6", "-c:a", "pcm_s24le"}},
        {"f32.wav", {"-c:a", "pcm_f32le"}},
        {"s24.flac", {"-sample_fmt", "s32", "-bits_per_raw_sample", "24", "-c:a", "flac"}},
        {"71.flac", {"-ac", "8", "-c:a", "flac"}},
        {"a.mp3", {"-c:a", "libmp3lame"}},
        {"a.ogg", {"-c:a", "libvorbis"}},
        {"a.opus", {"-c:a", "libopus"}},
        {"a.m4a", {"-c:a", "aac"}},
        {"a.wma", {"-c:a", "wmav2"}},
    };
    bool ok = true;
    for (const auto& kind : kinds) {
        const QString file = work + "/" + kind.name;
        ok = encode(file, kind.codec) && addWithCuts(folder, kind.name, readFile(file)) && ok;
    }
    return writeFile(folder + "/hls.mp3",
                     "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\ns16.wav\n#EXT-X-ENDLIST\n") &&
           writeFile(folder + "/concat.mp3", "ffconcat version 1.0\nfile 's16.wav'\n") && ok;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
        return 2;
    }
    const QString root = QFile::decodeName(argv[1]);
    QDir(root).removeRecursively();
    const QString work = root + "/work";
    bool ok = QDir().mkpath(work);
    for (const char* target :
         {"id3v2_fuzzer", "ogg_fuzzer", "wma_fuzzer", "flac_fuzzer", "cddb_fuzzer", "ini_fuzzer",
          "asx_fuzzer", "cue_fuzzer", "dbar_fuzzer", "toc_fuzzer", "nrg_fuzzer", "mbjson_fuzzer",
          "media_fuzzer", "ctdb_fuzzer"})
        ok = QDir().mkpath(QStringLiteral("%1/%2").arg(root, QLatin1String(target))) &&
             QDir().mkpath(QStringLiteral("%1/new-%2").arg(root, QLatin1String(target))) && ok;
    ok = ok && makeMp3(root + "/id3v2_fuzzer", work) && makeOgg(root + "/ogg_fuzzer", work) &&
         makeWma(root + "/wma_fuzzer", work) && makeFlac(root + "/flac_fuzzer", work) &&
         makeCddb(root + "/cddb_fuzzer") && makeIni(root + "/ini_fuzzer") &&
         makeAsx(root + "/asx_fuzzer") && makeCue(root + "/cue_fuzzer") &&
         makeDbar(root + "/dbar_fuzzer") && makeToc(root + "/toc_fuzzer") &&
         makeNrg(root + "/nrg_fuzzer") && makeMbJson(root + "/mbjson_fuzzer") &&
         makeMedia(root + "/media_fuzzer", work) && makeCtdbXml(root + "/ctdb_fuzzer");
    QDir(work).removeRecursively();
    std::printf("%s\n", ok ? "corpus made" : "corpus could not be made");
    return ok ? 0 : 1;
}
