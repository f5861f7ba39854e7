// The desktop told over D-Bus, against a private bus on which the test stands
// in for logind, the portal, the notification service and a dock: the calls'
// arguments, the lock given back on every way out, and a job that goes on
// unchanged where a service is missing, refuses or never answers.
#include "desktop/desktopsession.h"
#include "desktop/jobnotifier.h"
#include "desktop/sleepinhibitor.h"
#include "platform/shell.h"

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <poll.h>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr int Patience = 20000;
const QString Logind = QStringLiteral("org.freedesktop.login1");
const QString Portal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString Notifications = QStringLiteral("org.freedesktop.Notifications");
const QString RequestPath = QStringLiteral("/org/freedesktop/portal/desktop/request/1_1/t");

// A session bus of the test's own. The daemon goes with the test, also when
// the test dies without running its destructors.
class PrivateBus {
public:
    PrivateBus() {
        QFile config(m_dir.filePath(QStringLiteral("bus.conf")));
        EXPECT_TRUE(config.open(QIODevice::WriteOnly));
        config.write(QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                                    "<auth>EXTERNAL</auth><policy context=\"default\">"
                                    "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                    "<allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                                    "</policy></busconfig>")
                         .arg(m_dir.path())
                         .toUtf8());
        config.close();
        m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=") + config.fileName(),
                        QStringLiteral("--print-address"), QStringLiteral("--nofork")});
        EXPECT_TRUE(m_daemon.waitForReadyRead(Patience)) << "dbus-daemon did not start";
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus() {
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
    // A connection of its own, as another process would have. Each is new and
    // stays open until the test ends: libdbus aborts on one dropped unclosed.
    // Qt keeps connections by name for the whole process, so a name is never
    // used twice, not even on the next test's bus.
    QDBusConnection connect(const QString& name) {
        static int connections = 0;
        return QDBusConnection::connectToBus(m_address, name + QString::number(++connections));
    }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
};

// logind's lock is a descriptor: it ends when every copy is closed, which the
// pipe's other end sees as a hang-up.
class Lock {
public:
    ~Lock() {
        if (m_readEnd >= 0)
            ::close(m_readEnd);
    }
    QDBusUnixFileDescriptor make() {
        int ends[2];
        EXPECT_EQ(::pipe2(ends, O_CLOEXEC), 0);
        m_readEnd = ends[0];
        const QDBusUnixFileDescriptor lock(ends[1]); // a copy: ours closes here
        ::close(ends[1]);
        return lock;
    }
    bool released() const {
        pollfd end{m_readEnd, POLLIN, 0};
        return m_readEnd >= 0 && ::poll(&end, 1, 0) == 1 && (end.revents & POLLHUP);
    }

private:
    int m_readEnd = -1;
};

// Every service the program may ask, on one connection: each call is kept,
// and answered by the reply its interface and method are given here, held
// back where that reply is empty, refused where none is given. The dock's
// Update signals are kept too.
class Services : public QDBusVirtualObject {
    Q_OBJECT
public:
    using Answer = std::function<QDBusMessage(const QDBusMessage&)>;

    Services(PrivateBus& bus, const QStringList& names)
        : m_bus(bus.connect(QStringLiteral("services"))), m_names(names) {
        EXPECT_TRUE(
            m_bus.registerVirtualObject(QStringLiteral("/"), this, QDBusConnection::SubPath));
        for (const QString& name : names)
            EXPECT_TRUE(m_bus.registerService(name));
        EXPECT_TRUE(
            m_bus.connect(QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
                          QStringLiteral("Update"), this, SLOT(update(QString, QVariantMap))));
    }
    ~Services() override {
        m_bus.unregisterObject(QStringLiteral("/"), QDBusConnection::UnregisterTree);
        for (const QString& name : m_names)
            m_bus.unregisterService(name);
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& call, const QDBusConnection& connection) override {
        calls.push_back(call);
        const auto answer = answers.find(call.interface() + '.' + call.member());
        if (answer == answers.end()) {
            connection.send(call.createErrorReply(QDBusError::AccessDenied, QStringLiteral("no")));
            return true;
        }
        const QDBusMessage reply = answer->second(call);
        if (reply.type() != QDBusMessage::InvalidMessage)
            connection.send(reply);
        return true;
    }
    QVariantList argumentsOf(const QString& member) const {
        for (const QDBusMessage& call : calls)
            if (call.member() == member)
                return call.arguments();
        return {};
    }
    void send(const QDBusMessage& message) { m_bus.send(message); }

    std::map<QString, Answer> answers;
    std::vector<QDBusMessage> calls;
    QString dockUri;
    std::vector<QVariantMap> updates;

public slots:
    void update(const QString& uri, const QVariantMap& properties) {
        dockUri = uri;
        updates.push_back(properties);
    }

private:
    QDBusConnection m_bus;
    QStringList m_names;
};

Services::Answer grantLock(Lock& lock) {
    return [&lock](const QDBusMessage& call) {
        return call.createReply(QVariant::fromValue(lock.make()));
    };
}
QDBusMessage grantPortal(const QDBusMessage& call) {
    return call.createReply(QVariant::fromValue(QDBusObjectPath(RequestPath)));
}
QDBusMessage closeRequest(const QDBusMessage& call) {
    return call.createReply();
}

class RecordingShell : public Shell {
public:
    void openUrl(const QUrl&) override {}
    void openFolder(const QString& folder) override { opened << folder; }
    bool startDetached(const QString&, const QStringList&) override { return true; }
    QStringList opened;
};

class DesktopTest : public ::testing::Test {
protected:
    // The program's side: its own connection, standing for both buses. A short
    // time-out, since one case waits for a service that never answers.
    DesktopSession::Buses programBuses() {
        auto program = [this] { return bus.connect(QStringLiteral("program")); };
        return {program, program, 300};
    }

    PrivateBus bus;
    RecordingShell shell;
};

TEST_F(DesktopTest, SleepIsHeldByLogindOrElseThePortalAndGivenBack) {
    enum class Answer { Grants, Refuses, NeverAnswers, Missing };
    const struct {
        Answer logind;
        bool portal;
        SleepInhibitor::Holder holder;
    } cases[] = {{Answer::Grants, true, SleepInhibitor::Holder::Logind},
                 {Answer::Refuses, true, SleepInhibitor::Holder::Portal},
                 {Answer::NeverAnswers, true, SleepInhibitor::Holder::Portal},
                 {Answer::Missing, true, SleepInhibitor::Holder::Portal},
                 {Answer::Missing, false, SleepInhibitor::Holder::None}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.logind) * 2 + c.portal);
        QStringList names;
        if (c.logind != Answer::Missing)
            names << Logind;
        if (c.portal)
            names << Portal;
        Services services(bus, names);
        Lock lock;
        const QString inhibit = QStringLiteral("org.freedesktop.login1.Manager.Inhibit");
        if (c.logind == Answer::Grants)
            services.answers[inhibit] = grantLock(lock);
        if (c.logind == Answer::NeverAnswers)
            services.answers[inhibit] = [](const QDBusMessage&) { return QDBusMessage(); };
        services.answers[QStringLiteral("org.freedesktop.portal.Inhibit.Inhibit")] = grantPortal;
        services.answers[QStringLiteral("org.freedesktop.portal.Request.Close")] = closeRequest;

        const QDBusConnection program = bus.connect(QStringLiteral("program"));
        SleepInhibitor inhibitor(program, program, 300);
        QSignalSpy settled(&inhibitor, &SleepInhibitor::settled);
        inhibitor.inhibit(QStringLiteral("Ripping an audio CD"));
        // Asked, not waited for: the answer comes through the event loop.
        EXPECT_EQ(inhibitor.holder(), SleepInhibitor::Holder::None);
        ASSERT_TRUE(settled.wait(Patience));
        EXPECT_EQ(inhibitor.holder(), c.holder);
        if (c.logind != Answer::Missing) {
            EXPECT_EQ(services.argumentsOf(QStringLiteral("Inhibit")),
                      (QVariantList{"sleep", "Orvelle", "Ripping an audio CD", "block"}));
        }
        if (c.holder == SleepInhibitor::Holder::Portal) {
            const QVariantList portal = services.calls.back().arguments();
            ASSERT_EQ(portal.size(), 3);
            EXPECT_EQ(portal[1].toUInt(), 4u) << "suspend";
            EXPECT_EQ(qdbus_cast<QVariantMap>(portal[2]).value(QStringLiteral("reason")),
                      QStringLiteral("Ripping an audio CD"));
        }
        const size_t asked = services.calls.size();
        EXPECT_FALSE(lock.released());
        inhibitor.release();
        EXPECT_EQ(inhibitor.holder(), SleepInhibitor::Holder::None);
        if (c.holder == SleepInhibitor::Holder::Logind) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return lock.released(); }, Patience));
        }
        if (c.holder == SleepInhibitor::Holder::Portal) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return services.calls.size() > asked; }, Patience));
            EXPECT_EQ(services.calls.back().path(), RequestPath);
            EXPECT_EQ(services.calls.back().member(), QStringLiteral("Close"));
        }
    }
}

TEST_F(DesktopTest, ALockThatArrivesAfterTheJobEndedIsGivenBackAtOnce) {
    Services services(bus, {Logind});
    Lock lock;
    services.answers[QStringLiteral("org.freedesktop.login1.Manager.Inhibit")] =
        [](const QDBusMessage&) { return QDBusMessage(); };
    const QDBusConnection program = bus.connect(QStringLiteral("program"));
    SleepInhibitor inhibitor(program, program, Patience);
    inhibitor.inhibit(QStringLiteral("Converting audio files"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !services.calls.empty(); }, Patience));
    inhibitor.release();
    services.send(services.calls[0].createReply(QVariant::fromValue(lock.make())));
    EXPECT_TRUE(QTest::qWaitFor([&] { return lock.released(); }, Patience));
    EXPECT_EQ(inhibitor.holder(), SleepInhibitor::Holder::None);
}

TEST_F(DesktopTest, AJobTellsTheDockTheInhibitorAndANotificationWithAnOpenFolderAction) {
    Services services(bus, {Logind, Notifications});
    Lock lock;
    services.answers[QStringLiteral("org.freedesktop.login1.Manager.Inhibit")] = grantLock(lock);
    QList<QVariantList> notified;
    services.answers[QStringLiteral("org.freedesktop.Notifications.Notify")] =
        [&notified](const QDBusMessage& call) {
            notified << call.arguments();
            return call.createReply(uint(6 + notified.size()));
        };
    bool active = false;
    DesktopSession desktop(shell, programBuses());
    desktop.setWindowActive([&active] { return active; });

    desktop.jobStarted(JobOutcome::Kind::Rip, 12);
    QSignalSpy answered(desktop.notifier(), &JobNotifier::answered);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return desktop.inhibitor()->holder() == SleepInhibitor::Holder::Logind; }, Patience));
    for (int step = 1; step <= 100; ++step)
        desktop.jobProgressed(step / 200.0, 12 - step / 10);
    JobOutcome outcome{
        JobOutcome::Kind::Rip, 12, 12, 0, 12, true, false, QStringLiteral("/music/Salt & <Sea>")};
    desktop.jobEnded(outcome);
    EXPECT_TRUE(QTest::qWaitFor([&] { return lock.released(); }, Patience));
    ASSERT_TRUE(QTest::qWaitFor([&] { return notified.size() == 1; }, Patience));
    // The body may be read as markup: the folder's name stays text.
    EXPECT_EQ(notified[0].mid(0, 6),
              (QVariantList{"Orvelle", 0u, "orvelle", "Rip finished: 12 of 12 tracks accurate",
                            "/music/Salt &amp; &lt;Sea&gt;",
                            QStringList{"default", "Open Folder", "open-folder", "Open Folder"}}));
    EXPECT_EQ(qdbus_cast<QVariantMap>(notified[0][6]).value(QStringLiteral("desktop-entry")),
              QStringLiteral("orvelle"));

    // The dock saw the bar move in hundredths at most, then cleared.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return !services.updates.empty() &&
                   !services.updates.back().value(QStringLiteral("progress-visible")).toBool();
        },
        Patience));
    EXPECT_EQ(services.dockUri, QStringLiteral("application://orvelle.desktop"));
    EXPECT_EQ(services.updates.front().value(QStringLiteral("count")).toLongLong(), 12);
    EXPECT_LE(services.updates.size(), 60u);
    const QVariantMap last = services.updates[services.updates.size() - 2];
    EXPECT_DOUBLE_EQ(last.value(QStringLiteral("progress")).toDouble(), 0.5);
    EXPECT_EQ(last.value(QStringLiteral("count")).toLongLong(), 2);

    // The action opens the folder; another notification's action does not.
    ASSERT_TRUE(answered.count() == 1 || answered.wait(Patience));
    for (uint id : {3u, 7u})
        services.send(QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                 Notifications, QStringLiteral("ActionInvoked"))
                      << id << QStringLiteral("open-folder"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shell.opened.isEmpty(); }, Patience));
    EXPECT_EQ(shell.opened, QStringList{outcome.folder});

    // The next job's end replaces it; none while the user looks at the window.
    desktop.jobStarted(JobOutcome::Kind::Conversion, 3);
    desktop.jobEnded({JobOutcome::Kind::Conversion, 3, 1, 2, 0, false, false, QString()});
    ASSERT_TRUE(QTest::qWaitFor([&] { return notified.size() == 2; }, Patience));
    EXPECT_EQ(notified[1][1].toUInt(), 7u);
    EXPECT_EQ(notified[1][3], QStringLiteral("Conversion finished: 2 of 3 files failed"));
    EXPECT_TRUE(notified[1][5].toStringList().isEmpty()) << "no folder, nothing to open";
    active = true;
    const size_t updates = services.updates.size();
    desktop.jobStarted(JobOutcome::Kind::Conversion, 1);
    desktop.jobEnded(
        {JobOutcome::Kind::Conversion, 1, 1, 0, 0, false, false, QStringLiteral("/x")});
    // The dock's last Update is sent after any notification, on the same connection.
    ASSERT_TRUE(QTest::qWaitFor([&] { return services.updates.size() == updates + 2; }, Patience));
    EXPECT_EQ(notified.size(), 2);
}

TEST_F(DesktopTest, WithoutServicesOrWithoutABusAJobRunsAsBefore) {
    for (bool connected : {true, false}) {
        DesktopSession::Buses buses = programBuses();
        if (!connected)
            buses.session = buses.system = [] { return QDBusConnection(QStringLiteral("none")); };
        DesktopSession desktop(shell, buses);
        desktop.jobStarted(JobOutcome::Kind::Conversion, 2);
        // Without a bus it is settled at once; else when the bus says there is no such service.
        QSignalSpy settled(desktop.inhibitor(), &SleepInhibitor::settled);
        if (connected) {
            EXPECT_TRUE(settled.wait(Patience));
        }
        EXPECT_EQ(desktop.inhibitor()->holder(), SleepInhibitor::Holder::None);
        desktop.jobProgressed(0.5, 1);
        desktop.jobEnded({JobOutcome::Kind::Conversion, 2, 2, 0, 0, false, false, "/x"});
        QSignalSpy answered(desktop.notifier(), &JobNotifier::answered);
        if (connected) {
            EXPECT_TRUE(answered.wait(Patience)) << "the missing service answers with an error";
        }
        EXPECT_TRUE(shell.opened.isEmpty());
    }
}

TEST(JobNotifierTest, SaysHowTheJobWent) {
    using Kind = JobOutcome::Kind;
    const struct {
        JobOutcome outcome;
        const char* summary;
    } cases[] = {
        {{Kind::Rip, 12, 12, 0, 12, true, false, {}}, "Rip finished: 12 of 12 tracks accurate"},
        {{Kind::Rip, 12, 12, 0, 9, true, false, {}}, "Rip finished: 9 of 12 tracks accurate"},
        {{Kind::Rip, 12, 10, 2, 9, true, false, {}}, "Rip finished: 2 of 12 tracks failed"},
        {{Kind::Rip, 5, 5, 0, 0, false, false, {}}, "Rip finished: 5 of 5 tracks ripped"},
        {{Kind::Rip, 5, 2, 0, 2, true, true, {}}, "Rip stopped: 2 of 5 tracks ripped"},
        {{Kind::Conversion, 9, 9, 0, 0, false, false, {}},
         "Conversion finished: 9 of 9 files converted"},
        {{Kind::Conversion, 9, 0, 9, 0, false, false, {}},
         "Conversion finished: 9 of 9 files failed"},
        {{Kind::Conversion, 9, 4, 1, 0, false, true, {}},
         "Conversion stopped: 4 of 9 files converted"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JobNotifier::summary(c.outcome), QLatin1String(c.summary));
}

} // namespace

#include "desktopsession_test.moc"
