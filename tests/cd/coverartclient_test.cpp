#include "cd/coverartclient.h"
#include "support/httptestserver.h"

#include <gtest/gtest.h>
#include <optional>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString Release = QStringLiteral("76df3287-6cda-33eb-8e9a-044b5e15ffdd");

struct Fetched {
    CoverArt cover;
    QString error;
};

Fetched fetch(CoverArtClient& client, const QString& release) {
    std::optional<Fetched> result;
    QObject receiver;
    QObject::connect(&client, &CoverArtClient::finished, &receiver,
                     [&](const QString& got, const CoverArt& cover, const QString& error) {
                         EXPECT_EQ(got, release);
                         result = Fetched{cover, error};
                     });
    client.fetch(release);
    EXPECT_FALSE(result); // never before the caller has control again
    EXPECT_TRUE(QTest::qWaitFor([&] { return bool(result); }, 20000));
    return result.value_or(Fetched{});
}

} // namespace

TEST(CoverArtClient, FetchesFollowsRedirectsCachesAndSaysWhatWentWrong) {
    QTemporaryDir cache;
    HttpTestServer archive, pictures;
    const QByteArray jpeg = QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(5000, '\x55');
    CoverArtClient client(archive.address() + "/", cache.filePath("covers"));
    const QString tooLarge = "The Cover Art Archive reply is too large.";
    const struct {
        QByteArray reply;
        QString error; // empty: no cover and no fault
    } failures[] = {
        {HttpTestServer::http(404, "Not found"), {}},
        {HttpTestServer::http(503, ""), "The Cover Art Archive answered with an error (HTTP 503)."},
        {HttpTestServer::http(200, "<html>maintenance</html>"),
         "The Cover Art Archive's picture is not used: the cover is not a JPEG or PNG picture."},
        {HttpTestServer::http(200, jpeg + QByteArray(2 << 20, '\x55')),
         "The Cover Art Archive's picture is not used: the cover is larger than 2 MB."},
        {HttpTestServer::http(200, jpeg, CoverArtClient::MaxReplyBytes + 1), tooLarge},
        {{}, "The Cover Art Archive server did not answer in time."},
    };
    for (const auto& failure : failures) {
        archive.reply = failure.reply;
        client.setTimeout(failure.reply.isEmpty() ? 300 : 0);
        const Fetched got = fetch(client, Release);
        EXPECT_TRUE(got.cover.isEmpty());
        EXPECT_EQ(got.error.toStdString(), failure.error.toStdString());
    }
    const qsizetype asked = archive.requests.size();
    EXPECT_FALSE(fetch(client, "../../etc/passwd").error.isEmpty());
    EXPECT_EQ(archive.requests.size(), asked);
    EXPECT_FALSE(QDir(cache.filePath("covers")).exists()); // nothing of a failure is kept

    // The archive sends its clients on to another host that holds the picture.
    archive.reply = HttpTestServer::http(
        307, "", 0, "Location: " + pictures.address().toLatin1() + "/release-front.jpg\r\n");
    pictures.reply = HttpTestServer::http(200, jpeg);
    EXPECT_EQ(fetch(client, Release).cover, (CoverArt{jpeg, "image/jpeg"}));
    const QByteArray request = archive.requests.last().toLower();
    EXPECT_TRUE(request.startsWith("get /release/" + Release.toLatin1() + "/front-500 "));
    EXPECT_TRUE(request.contains("\r\nuser-agent: orvelle/"));
    EXPECT_TRUE(pictures.requests.last().startsWith("GET /release-front.jpg "));

    archive.close();
    pictures.close();
    EXPECT_EQ(fetch(client, Release.toUpper()).cover, (CoverArt{jpeg, "image/jpeg"}));
}
