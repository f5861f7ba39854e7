#include "cli/clioptions.h"

#include <QSet>

namespace {

std::optional<FolderScheme> schemeNamed(const QString& name) {
    const QString n = name.toLower();
    if (n == QLatin1String("none"))
        return FolderScheme::None;
    if (n == QLatin1String("artist"))
        return FolderScheme::Artist;
    if (n == QLatin1String("album"))
        return FolderScheme::Album;
    if (n == QLatin1String("artist/album"))
        return FolderScheme::ArtistAlbum;
    return std::nullopt;
}

} // namespace

QVector<int> parseTrackList(const QString& text, QString* error) {
    QVector<int> tracks;
    QSet<int> seen;
    const auto bad = [&] {
        *error = QStringLiteral("--tracks wants numbers and ranges such as 1,3-5, not \"%1\".")
                     .arg(text);
        return QVector<int>();
    };
    if (text.trimmed().isEmpty())
        return bad();
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QStringList ends = part.trimmed().split(QLatin1Char('-'));
        if (ends.size() > 2)
            return bad();
        bool okFirst = false, okLast = false;
        const int first = ends.front().trimmed().toInt(&okFirst);
        const int last = ends.back().trimmed().toInt(&okLast);
        // A disc holds at most 99 tracks; the bound also keeps "1-2000000000" small.
        if (!okFirst || !okLast || first < 1 || last < first || last > 99)
            return bad();
        for (int track = first; track <= last; ++track)
            if (!seen.contains(track)) {
                seen.insert(track);
                tracks << track;
            }
    }
    return tracks;
}

QString CliOptions::parse(const QStringList& arguments) {
    bool optionsEnded = false;
    QString tracksText;
    bool tracksGiven = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) ||
            argument == QLatin1String("-")) {
            inputs << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        QString name = argument;
        std::optional<QString> attached;
        if (argument.startsWith(QLatin1String("--"))) {
            const int equals = argument.indexOf(QLatin1Char('='));
            if (equals > 0) {
                name = argument.left(equals);
                attached = argument.mid(equals + 1);
            }
        } else if (argument.size() > 2) {
            name = argument.left(2); // "-j4", "-fogg"
            attached = argument.mid(2);
        }
        const auto value = [&](QString* out) -> QString {
            if (attached) {
                *out = *attached;
                return {};
            }
            if (i + 1 >= arguments.size())
                return QStringLiteral("%1 needs a value.").arg(name);
            *out = arguments[++i];
            return {};
        };
        const auto flag = [&](bool* out) -> QString {
            if (attached)
                return QStringLiteral("%1 takes no value.").arg(name);
            *out = true;
            return {};
        };

        QString error;
        QString text;
        if (name == QLatin1String("-f") || name == QLatin1String("--format")) {
            if ((error = value(&text)).isEmpty()) {
                // "flac,opus": the first is the format, the others are made beside it.
                QVector<OutputFormat> formats;
                for (const QString& listed : text.split(QLatin1Char(','))) {
                    const std::optional<OutputFormat> named = formatFromText(listed.toUpper());
                    if (!named) {
                        error = QStringLiteral("Unknown format \"%1\": use mp3, wav, wma, "
                                               "ogg, flac, opus or rm.")
                                    .arg(listed);
                        break;
                    }
                    if (!formats.contains(*named))
                        formats << *named;
                }
                if (error.isEmpty()) {
                    format = formats.takeFirst();
                    alsoMake = formats;
                }
            }
        } else if (name == QLatin1String("-o") || name == QLatin1String("--output")) {
            if ((error = value(&outputFolder)).isEmpty() && outputFolder.trimmed().isEmpty())
                error = QStringLiteral("The output folder is empty.");
        } else if (name == QLatin1String("--folders")) {
            if ((error = value(&text)).isEmpty() && !(scheme = schemeNamed(text)))
                error = QStringLiteral(
                            "Unknown folders \"%1\": use none, artist, album or artist/album.")
                            .arg(text);
        } else if (name == QLatin1String("--settings")) {
            if ((error = value(&settingsPath)).isEmpty() && settingsPath.isEmpty())
                error = QStringLiteral("The settings file name is empty.");
        } else if (name == QLatin1String("-j") || name == QLatin1String("--jobs")) {
            if ((error = value(&text)).isEmpty()) {
                bool ok = false;
                const int n = text.toInt(&ok);
                if (!ok || n < 0)
                    error =
                        QStringLiteral("--jobs wants a number of 0 or more, not \"%1\".").arg(text);
                else
                    jobs = n;
            }
        } else if (name == QLatin1String("--replaygain")) {
            if ((error = value(&text)).isEmpty()) {
                const QStringList modes{QStringLiteral("off"), QStringLiteral("track"),
                                        QStringLiteral("album")};
                const int mode = int(modes.indexOf(text.toLower()));
                if (mode < 0)
                    error = QStringLiteral("Unknown ReplayGain \"%1\": use off, track or album.")
                                .arg(text);
                else
                    replayGain = mode;
            }
        } else if (name == QLatin1String("--replaygain-peak")) {
            if ((error = value(&text)).isEmpty() && !(replayGainPeak = peakKindNamed(text)))
                error = QStringLiteral("Unknown peak \"%1\": use sample or true.").arg(text);
        } else if (name == QLatin1String("-r") || name == QLatin1String("--recursive")) {
            error = flag(&recursive);
        } else if (name == QLatin1String("--cd")) {
            if (attached) // "--cd=IMAGE"
                inputs << *attached;
            cd = true;
        } else if (name == QLatin1String("--tracks")) {
            error = value(&tracksText);
            tracksGiven = true;
        } else if (name == QLatin1String("--freedb")) {
            error = flag(&freedb);
        } else if (name == QLatin1String("--musicbrainz")) {
            error = flag(&musicBrainz);
        } else if (name == QLatin1String("--release")) {
            if ((error = value(&text)).isEmpty()) {
                bool ok = false;
                release = text.toInt(&ok);
                if (!ok || release < 1)
                    error = QStringLiteral("--release wants a number of 1 or more, not \"%1\".")
                                .arg(text);
            }
        } else if (name == QLatin1String("--require-accurate")) {
            error = flag(&requireAccurate);
        } else if (name == QLatin1String("--require-complete")) {
            error = flag(&requireComplete);
        } else if (name == QLatin1String("--no-log")) {
            error = flag(&noLog);
        } else if (name == QLatin1String("--no-cue")) {
            error = flag(&noCue);
        } else if (name == QLatin1String("--no-hidden-track")) {
            error = flag(&noHiddenTrack);
        } else if (name == QLatin1String("--image")) {
            error = flag(&image);
        } else if (name == QLatin1String("--mirror")) {
            error = flag(&mirror);
        } else if (name == QLatin1String("--force")) {
            error = flag(&force);
        } else if (name == QLatin1String("--delete")) {
            error = flag(&deleteGone);
        } else if (name == QLatin1String("--copy-lossy")) {
            error = flag(&copyLossy);
        } else if (name == QLatin1String("--copy-extra")) {
            copyExtra.emplace();
            error = value(&*copyExtra);
        } else if (name == QLatin1String("--list")) {
            error = flag(&list);
        } else if (name == QLatin1String("-q") || name == QLatin1String("--quiet")) {
            error = flag(&quiet);
        } else if (name == QLatin1String("-h") || name == QLatin1String("--help")) {
            error = flag(&help);
        } else if (name == QLatin1String("--version")) {
            error = flag(&version);
        } else {
            error = QStringLiteral("Unknown option %1.").arg(argument);
        }
        if (!error.isEmpty())
            return error;
    }
    if (help || version)
        return {};
    if (tracksGiven) {
        QString error;
        tracks = parseTrackList(tracksText, &error);
        if (!error.isEmpty())
            return error;
    }
    if (!mirror && (force || deleteGone || copyLossy || copyExtra))
        return QStringLiteral("%1 is for --mirror only.")
            .arg(force        ? QStringLiteral("--force")
                 : deleteGone ? QStringLiteral("--delete")
                 : copyLossy  ? QStringLiteral("--copy-lossy")
                              : QStringLiteral("--copy-extra"));
    if (mirror) {
        if (cd || list || scheme)
            return QStringLiteral("--mirror keeps the source folders; it takes no %1.")
                .arg(cd     ? QStringLiteral("--cd")
                     : list ? QStringLiteral("--list")
                            : QStringLiteral("--folders"));
        if (outputFolder.isEmpty())
            return QStringLiteral("--mirror needs the output folder: -o DIR.");
        if (inputs.isEmpty())
            return QStringLiteral("--mirror needs a folder to mirror.");
        // The mirror's state records one output per source.
        if (alsoMake && !alsoMake->isEmpty())
            return QStringLiteral("--mirror makes one format: give -f one format.");
    }
    if (cd) {
        if (freedb && musicBrainz)
            return QStringLiteral("--freedb and --musicbrainz ask one database each; give one.");
        if (release > 0 && !musicBrainz)
            return QStringLiteral("--release is for --musicbrainz.");
        if (inputs.size() > 1)
            return QStringLiteral("--cd takes one drive or disc image, not %1.").arg(inputs.size());
        if (recursive)
            return QStringLiteral("--recursive is for folders, not for --cd.");
        if (image && tracksGiven)
            return QStringLiteral("--image rips the whole disc; it takes no --tracks.");
        if (image && format && *format != FormatFlac && *format != FormatWav)
            return QStringLiteral("--image makes one FLAC or WAV file; give -f flac or -f wav.");
        return {};
    }
    if (tracksGiven || freedb || musicBrainz || requireAccurate || noLog || noCue ||
        noHiddenTrack || image)
        return QStringLiteral("%1 is for --cd only.")
            .arg(tracksGiven       ? QStringLiteral("--tracks")
                 : freedb          ? QStringLiteral("--freedb")
                 : musicBrainz     ? QStringLiteral("--musicbrainz")
                 : requireAccurate ? QStringLiteral("--require-accurate")
                 : noLog           ? QStringLiteral("--no-log")
                 : noCue           ? QStringLiteral("--no-cue")
                 : noHiddenTrack   ? QStringLiteral("--no-hidden-track")
                                   : QStringLiteral("--image"));
    if (inputs.isEmpty())
        return QStringLiteral("No file or folder to convert was given.");
    return {};
}

QString shortUsage() {
    return QStringLiteral("Usage: orvelle-convert [OPTIONS] FILE|FOLDER...\n"
                          "       orvelle-convert [OPTIONS] --cd [DRIVE|IMAGE]\n"
                          "       orvelle-convert [OPTIONS] --mirror FOLDER... -o DIR\n"
                          "Try 'orvelle-convert --help' for more.\n");
}

QString helpText() {
    return QStringLiteral(
        "Usage: orvelle-convert [OPTIONS] FILE|FOLDER...\n"
        "       orvelle-convert [OPTIONS] --cd [DRIVE|IMAGE]\n"
        "       orvelle-convert [OPTIONS] --mirror FOLDER... -o DIR\n"
        "\n"
        "Converts audio files (.mp3 .wav .ogg .wma .raw .vox .flac .opus .oga .m4a\n"
        ".aac .mp4 .aiff .aif .ape .wv .mka .webm .mp2 .ac3 .dts .caf) and the sound\n"
        "of video files (.avi .mpeg .mpg .wmv .asf .asx), or rips an audio CD or a\n"
        ".cue, .toc or .nrg disc image, with Orvelle's engine and settings file.\n"
        "\n"
        "Options:\n"
        "  -f, --format FORMAT    mp3, wav, wma, ogg, flac, opus or rm (default: the\n"
        "                         window's format); several, such as flac,opus, are\n"
        "                         made from one read, each in a folder of its own\n"
        "                         (default: the window's format and Also make)\n"
        "  -o, --output DIR       output folder (default: the window's output folder)\n"
        "      --folders SCHEME   sub-folders: none, artist, album or artist/album\n"
        "                         (default: the window's choice)\n"
        "      --settings FILE    settings file (default: Orvelle.ini in the\n"
        "                         configuration folder; a missing file means defaults)\n"
        "  -j, --jobs N           files converted at once; 0 means one per core\n"
        "                         (default: key Jobs of section Main, one per core)\n"
        "      --replaygain MODE  off, track or album: the loudness values written\n"
        "                         (default: the settings, album for rips, track else)\n"
        "      --replaygain-peak PEAK\n"
        "                         sample or true: the highest sample, or the highest\n"
        "                         point between samples as well, which takes longer\n"
        "                         (default: key ReplayGainPeak of section Main, sample)\n"
        "      --require-complete a source that is damaged (cut short, or with data\n"
        "                         that cannot be decoded) fails rather than giving a\n"
        "                         file of what could be read (default: key\n"
        "                         RequireComplete of section Main, off)\n"
        "  -r, --recursive        enter the sub-folders of the folders given\n"
        "      --cd               rip the DRIVE or IMAGE given, else the first drive\n"
        "      --tracks LIST      tracks to rip, such as 1,3-5 (default: every track)\n"
        "      --freedb           look the disc up in FreeDB first, name tracks from it\n"
        "      --musicbrainz      look the disc up in MusicBrainz first, name tracks\n"
        "                         from it (--release N: the Nth release it lists)\n"
        "      --require-accurate a ripped track that the AccurateRip database does\n"
        "                         not vouch for counts as failed\n"
        "      --no-log           write no rip log beside the ripped files\n"
        "      --no-cue           write no cue sheet and playlist beside them\n"
        "      --no-hidden-track  leave out audio hidden before track 1\n"
        "      --image            rip the whole disc as one FLAC or WAV file, with\n"
        "                         its cue sheet beside it (and inside a FLAC)\n"
        "      --mirror           keep the folders given as a tree in the output\n"
        "                         folder: each audio file becomes the file of the\n"
        "                         same path there, made again only when its source\n"
        "                         or the settings changed (a state file in the output\n"
        "                         folder remembers what was made)\n"
        "      --force            with --mirror: make every file again\n"
        "      --delete           with --mirror: remove the outputs the mirror made\n"
        "                         whose source is gone; nothing else is touched\n"
        "      --copy-lossy       with --mirror: copy MP3, Ogg, Opus, AAC and WMA\n"
        "                         sources as they are instead of converting them\n"
        "      --copy-extra LIST  with --mirror: the kinds of other files copied\n"
        "                         alongside (default: jpg,png; \"\" for none)\n"
        "      --list             convert nothing: list the files (duration, title,\n"
        "                         artist, album), or the disc's FreeDB and AccurateRip\n"
        "                         IDs and its tracks\n"
        "  -q, --quiet            print failures only\n"
        "  -h, --help             print this text\n"
        "      --version          print the version\n"
        "\n"
        "Prints \"OK SOURCE -> OUTPUT\" for each file converted, \"FAILED SOURCE: REASON\"\n"
        "on standard error for each that was not, and a summary. Ctrl-C lets the\n"
        "running files finish as far as they got and starts no other. WAV and FLAC\n"
        "keep the source's rate, channels and bits (16 or 24 for FLAC); an OK line\n"
        "says how a file's format differs from its source's, and ends in\n"
        "\"[source damaged: ...]\" when the source was.\n"
        "\n"
        "A rip is checked against the AccurateRip database (section \"AccurateRip\"\n"
        "of the settings file names the server): each OK line says whether the\n"
        "track is accurate and how many other rips agree, and a rip log with the\n"
        "checksums is written beside the files.\n"
        "\n"
        "Examples:\n"
        "  orvelle-convert -f ogg -o ~/Music/ogg song.wav talk.mp3\n"
        "  orvelle-convert -r -f opus -o ~/Phone ~/Music/flac\n"
        "  orvelle-convert -r -f mp3 --folders artist/album ~/Recordings\n"
        "  orvelle-convert --mirror ~/Music/flac -o ~/Phone -f opus --delete\n"
        "  orvelle-convert --cd --freedb --tracks 1,3-5 -f mp3\n"
        "\n"
        "Exit status: 0 when every file was converted, 1 when some were not,\n"
        "2 for a usage error.\n");
}
