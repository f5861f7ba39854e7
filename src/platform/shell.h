#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// What the program asks of the desktop: open a folder in the file manager,
// a page in the browser or a mailto: link, and start a program. Tests record these.
class Shell {
public:
    virtual ~Shell() = default;
    virtual void openUrl(const QUrl& url) = 0;
    virtual void openFolder(const QString& folder) = 0;
    virtual bool startDetached(const QString& program, const QStringList& arguments) = 0;
};
