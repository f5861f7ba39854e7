#pragma once

#include "platform/ishell.h"

// The real desktop, through xdg-open.
class DesktopShell : public IShell {
public:
    void OpenUrl(const QUrl& url) override;
    void OpenFolder(const QString& folder) override;
    bool StartDetached(const QString& program, const QStringList& arguments) override;
};
