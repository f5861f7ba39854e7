#include "dialogs/folderplaces.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QUrl>

namespace {

class PlaceList {
public:
    void add(FolderPlace::Kind kind, const QString& path, QString label = QString()) {
        const QString clean = QDir::cleanPath(path);
        if (path.isEmpty() || !QFileInfo(clean).isDir())
            return;
        for (const FolderPlace& place : m_places)
            if (place.path == clean)
                return;
        if (label.isEmpty())
            label = QDir(clean).dirName();
        m_places.append({kind, label, clean});
    }
    QList<FolderPlace> take() { return std::move(m_places); }

private:
    QList<FolderPlace> m_places;
};

// GTK keeps one bookmark a line: a URL, then optionally a space and a label.
void addBookmarks(PlaceList& places) {
    QFile file(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
               QStringLiteral("/gtk-3.0/bookmarks"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const QUrl url(line.section(QLatin1Char(' '), 0, 0));
        // Network places (sftp://, smb://) are no folders of this machine.
        if (url.isLocalFile())
            places.add(FolderPlace::Kind::Bookmark, url.toLocalFile(),
                       line.section(QLatin1Char(' '), 1).trimmed());
    }
}

} // namespace

bool isUserVolume(const QString& rootPath, const QByteArray& fileSystemType) {
    const bool userMountPoint = rootPath.startsWith(QLatin1String("/media/")) ||
                                rootPath.startsWith(QLatin1String("/run/media/")) ||
                                rootPath.startsWith(QLatin1String("/mnt/")) ||
                                rootPath == QLatin1String("/mnt");
    // Memory and package images can sit there too; they hold nothing to rip to.
    static const QByteArrayList systemTypes{"tmpfs",    "ramfs",   "squashfs",     "overlay",
                                            "devtmpfs", "proc",    "sysfs",        "autofs",
                                            "cgroup2",  "debugfs", "fuse.snapfuse"};
    return userMountPoint && !systemTypes.contains(fileSystemType);
}

QList<FolderPlace> userFolderPlaces() {
    PlaceList places;
    const QString home = QDir::homePath();
    places.add(FolderPlace::Kind::Home, home, QStringLiteral("Home"));
    const QStandardPaths::StandardLocation userFolders[] = {
        QStandardPaths::MusicLocation,     QStandardPaths::DesktopLocation,
        QStandardPaths::DocumentsLocation, QStandardPaths::DownloadLocation,
        QStandardPaths::PicturesLocation,  QStandardPaths::MoviesLocation};
    for (const auto location : userFolders)
        places.add(FolderPlace::Kind::UserFolder, QStandardPaths::writableLocation(location));
    addBookmarks(places);
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        if (volume.isValid() && volume.isReady() &&
            isUserVolume(volume.rootPath(), volume.fileSystemType()))
            places.add(FolderPlace::Kind::Drive, volume.rootPath(), volume.name());
    places.add(FolderPlace::Kind::FileSystem, QStringLiteral("/"), QStringLiteral("File System"));
    return places.take();
}
