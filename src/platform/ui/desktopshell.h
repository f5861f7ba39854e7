#pragma once

#include "platform/ishell.h"

// The real desktop, through xdg-open.
class DesktopShell : public IShell {
public:
    void openUrl(const QUrl& url) override;
    void openFolder(const QString& folder) override;
    bool startDetached(const QString& program, const QStringList& arguments) override;
};
