#include "components/ffmpeg/asxplaylist.h"

#include "components/componenterror.h"
#include "platform/regularfile.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QXmlStreamReader>

namespace AsxPlaylist {

namespace {

// Far more than any hand-written or saved playlist.
constexpr qint64 MaxPlaylistBytes = 16 << 20;

} // namespace

QString firstLocalEntry(const QString& asxPath) {
    const RegularFile::Contents file = RegularFile::read(asxPath, MaxPlaylistBytes);
    if (!file.ok())
        throw ComponentError(file.error);
    const QDir folder = QFileInfo(asxPath).absoluteDir();
    bool sawNetworkEntry = false;
    // Playlists written by hand are often not well-formed; the entries read
    // before the first mistake still count.
    QXmlStreamReader xml(file.bytes);
    while (!xml.atEnd() && !xml.hasError()) {
        if (xml.readNext() != QXmlStreamReader::StartElement ||
            xml.name().compare(QLatin1String("ref"), Qt::CaseInsensitive) != 0)
            continue;
        QString href;
        for (const QXmlStreamAttribute& attribute : xml.attributes())
            if (attribute.name().compare(QLatin1String("href"), Qt::CaseInsensitive) == 0)
                href = attribute.value().toString().trimmed();
        const QUrl url(href);
        QString path;
        if (url.isLocalFile())
            path = url.toLocalFile();
        else if (url.scheme().size() > 1) // "C:" is a drive, not a scheme
            sawNetworkEntry = true;
        else
            path = QString(href).replace(QLatin1Char('\\'), QLatin1Char('/')); // written on Windows
        if (path.isEmpty())
            continue;
        path = folder.absoluteFilePath(path);
        if (RegularFile::problem(path).isEmpty())
            return path;
    }
    throw ComponentError(
        sawNetworkEntry
            ? QStringLiteral("Cannot open %1: it points only at network streams, which Orvelle "
                             "does not read.")
                  .arg(asxPath)
            : QStringLiteral("Cannot open %1: it points at no file that exists.").arg(asxPath));
}

} // namespace AsxPlaylist
