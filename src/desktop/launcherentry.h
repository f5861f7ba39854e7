#pragma once

#include <QDBusConnection>
#include <QString>
#include <QVariantMap>

// The job's progress and the rows left on the program's entry in the task
// bar or dock, told by the Unity launcher signal that KDE Plasma and the GNOME
// docks read. A signal, so nothing waits for an answer; with no dock
// listening it goes nowhere.
class LauncherEntry {
public:
    static constexpr const char* Interface = "com.canonical.Unity.LauncherEntry";

    LauncherEntry(QDBusConnection bus, const QString& desktopEntry);
    ~LauncherEntry();

    // Sent when the rows left change or the bar would move by a hundredth,
    // since a row reports its progress many times a second.
    void show(double fraction, int rowsLeft);
    void clear();

private:
    void send(const QVariantMap& properties);

    QDBusConnection m_bus;
    QString m_uri;
    bool m_shown = false;
    double m_fraction = 0;
    int m_rowsLeft = 0;
};
