#include "cli/clioptions.h"
#include "cli/console.h"
#include "cli/convertcommand.h"
#include "cli/interruptwatcher.h"
#include "cli/mirrorcommand.h"
#include "cli/ripcommand.h"
#include "platform/version.h"
#include "settings/settingsfile.h"

#include <cstdio>
#include <exception>
#include <QCoreApplication>
#include <unistd.h>

namespace {

void print(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvelle-convert"));
    QCoreApplication::setApplicationVersion(orvelleVersion());

    CliOptions options;
    const QString error = options.parse(app.arguments().mid(1));
    if (!error.isEmpty()) {
        print(stderr, QStringLiteral("orvelle-convert: %1\n").arg(error) + shortUsage());
        return 2;
    }
    if (options.help) {
        print(stdout, helpText());
        return 0;
    }
    if (options.version) {
        print(stdout, QStringLiteral("orvelle-convert %1\n").arg(orvelleVersion()));
        return 0;
    }

    try {
        const SettingsFile settings(options.settingsPath.isEmpty() ? SettingsFile::defaultPath()
                                                                   : options.settingsPath);
        Console console(options.quiet, ::isatty(STDERR_FILENO) == 1);
        const int status = options.cd       ? ripDisc(options, settings, console)
                           : options.mirror ? mirrorFolders(options, settings, console)
                                            : convertFiles(options, settings, console);
        // Stopped by a signal: the shell learns which, as if it had ended the program.
        const int signal = InterruptWatcher::lastSignal();
        return signal != 0 ? 128 + signal : status;
    } catch (const std::exception& e) {
        print(stderr, QStringLiteral("orvelle-convert: %1\n").arg(QString::fromUtf8(e.what())));
        return 1;
    }
}
