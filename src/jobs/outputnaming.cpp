#include "jobs/outputnaming.h"

#include "filelist/formatswitch.h"

#include "jobs/joberror.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace {

bool isControl(QChar c) {
    return c.category() == QChar::Other_Control;
}

// Leading dots would make a hidden file or folder, or "." and "..".
QString withoutLeadingDots(QString text) {
    int dots = 0;
    while (dots < text.size() && text[dots] == QLatin1Char('.'))
        ++dots;
    return text.mid(dots);
}

QString withoutTrailingDotsAndBlanks(QString text) {
    int end = text.size();
    while (end > 0 && (text[end - 1] == QLatin1Char('.') || text[end - 1] == QLatin1Char(' ')))
        --end;
    return text.left(end);
}

bool onlyDotsAndBlanks(const QString& text) {
    for (QChar c : text)
        if (c != QLatin1Char('.') && c != QLatin1Char(' '))
            return false;
    return true;
}

// A file name has no separators and no control characters; the rest of a
// file row's caption is the name the user gave the file and stays.
QString asFileNamePart(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (c != QLatin1Char('/') && !isControl(c))
            out += c;
    return out;
}

QString expandHome(const QString& folder) {
    if (folder == QLatin1String("~"))
        return QDir::homePath();
    if (folder.startsWith(QLatin1String("~/")))
        return QDir::homePath() + folder.mid(1);
    return folder;
}

int utf8Bytes(const QString& text) {
    return int(text.toUtf8().size());
}

} // namespace

QString SanitizeName(const QString& text) {
    static const QString removed = QStringLiteral("*?|:\"/\\<>");
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (!removed.contains(c) && !isControl(c))
            out += c;
    return out;
}

OutputFormat FormatFromTarget(const QString& target) {
    const int format = FormatOfTarget(target);
    return format < 0 ? FormatMp3 : static_cast<OutputFormat>(format);
}

QString OutputExtension(OutputFormat format) {
    switch (format) {
    case FormatWav:
        return QStringLiteral(".wav");
    case FormatWma:
        return QStringLiteral(".wma");
    case FormatOgg:
        return QStringLiteral(".ogg");
    case FormatRm:
        return QStringLiteral(".rm");
    default:
        return QStringLiteral(".mp3");
    }
}

QString FormatTwoDigits(int n) {
    return n >= 0 && n < 10 ? QStringLiteral("0") + QString::number(n) : QString::number(n);
}

QString CutToUtf8Bytes(const QString& text, int maxBytes) {
    int bytes = 0;
    int end = 0;
    while (end < text.size()) {
        const char32_t code = text.at(end).isHighSurrogate() && end + 1 < text.size()
                                  ? QChar::surrogateToUcs4(text[end], text[end + 1])
                                  : text.at(end).unicode();
        const int units = code > 0xFFFF ? 2 : 1;
        const int size = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
        if (bytes + size > maxBytes)
            break;
        bytes += size;
        end += units;
    }
    return text.left(end);
}

QString OutputFileName(const OutputNameSource& row, OutputFormat format) {
    QString stem;
    if (row.cdRow) {
        stem = withoutLeadingDots(withoutTrailingDotsAndBlanks(SanitizeName(row.caption)));
        stem = withoutTrailingDotsAndBlanks(stem);
    } else {
        const QString name = asFileNamePart(row.caption);
        const int dot = name.lastIndexOf(QLatin1Char('.'));
        stem = withoutLeadingDots(dot >= 0 ? name.left(dot) : name);
        if (onlyDotsAndBlanks(stem))
            stem = withoutLeadingDots(asFileNamePart(QFileInfo(row.source).completeBaseName()));
    }
    if (onlyDotsAndBlanks(stem))
        stem = QStringLiteral("Track") + FormatTwoDigits(row.track + 1);
    return stem + OutputExtension(format);
}

QString BuildOutputFolder(const QString& outputFolder, FolderScheme scheme, const RowTag& tag) {
    if (outputFolder.trimmed().isEmpty())
        throw JobError(QStringLiteral("No output folder was chosen."));
    QString folder = QDir(expandHome(outputFolder)).absolutePath();
    const auto addFolder = [&folder](const QString& text) {
        const QString name = CutToUtf8Bytes(withoutLeadingDots(SanitizeName(text)), MaxNameBytes);
        if (!onlyDotsAndBlanks(name))
            folder += QLatin1Char('/') + name;
    };
    if (scheme == FolderScheme::Artist || scheme == FolderScheme::ArtistAlbum)
        addFolder(tag.Artist);
    if (scheme == FolderScheme::Album || scheme == FolderScheme::ArtistAlbum)
        addFolder(tag.Album);
    if (!QDir().mkpath(folder))
        throw JobError(QStringLiteral("Cannot create the folder %1.").arg(folder));
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString ReserveOutputFile(const QString& folder, const QString& fileName) {
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot >= 0 ? fileName.left(dot) : fileName;
    const QString extension = dot >= 0 ? fileName.mid(dot) : QString();
    // Past this many taken names something else is wrong with the folder.
    constexpr int MaxCounter = 100000;
    for (int counter = 0; counter <= MaxCounter; ++counter) {
        const QString prefix =
            counter == 0 ? QString() : FormatTwoDigits(counter) + QLatin1Char('_');
        QString name = stem;
        const int room = MaxNameBytes - utf8Bytes(prefix) - utf8Bytes(extension);
        if (utf8Bytes(name) > room) {
            name = withoutTrailingDotsAndBlanks(CutToUtf8Bytes(name, std::max(room, 1)));
            if (name.isEmpty())
                name = QStringLiteral("_");
        }
        const QString path = folder + prefix + name + extension;
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        const int error = errno;
        if (error != EEXIST)
            throw JobError(QStringLiteral("Cannot create %1: %2.")
                               .arg(path, QString::fromLocal8Bit(std::strerror(error))));
    }
    throw JobError(
        QStringLiteral("Cannot create %1%2: every name is taken.").arg(folder, fileName));
}

OutputPath BuildOutputPath(const QString& outputFolder, FolderScheme scheme, const RowTag& tag,
                           const OutputNameSource& row, OutputFormat format) {
    OutputPath out;
    out.folder = BuildOutputFolder(outputFolder, scheme, tag);
    out.path = ReserveOutputFile(out.folder, OutputFileName(row, format));
    return out;
}
