#pragma once

#include "platform/shell.h"

// The real desktop, through xdg-open.
class DesktopShell : public Shell {
public:
    void openUrl(const QUrl& url) override;
    void openFolder(const QString& folder) override;
    bool startDetached(const QString& program, const QStringList& arguments) override;
};
