#include "cd/coverartclient.h"
#include "support/httptestserver.h"
#include "support/mediatools.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

// The cover and error of one fetch, which never answers before the caller has control again.
std::pair<CoverArt, QString> fetch(CoverArtClient& client, const QString& release) {
    QSignalSpy spy(&client, &CoverArtClient::finished);
    client.fetch(release);
    EXPECT_TRUE(spy.isEmpty());
    if (!spy.wait(20000))
        return {{}, "no answer"};
    EXPECT_EQ(spy[0][0].toString(), release);
    return {spy[0][1].value<CoverArt>(), spy[0][2].toString()};
}

} // namespace

TEST(CoverArtClient, FetchesFollowsRedirectsCachesAndSaysWhatWentWrong) {
    const QString release = QStringLiteral("76df3287-6cda-33eb-8e9a-044b5e15ffdd");
    QTemporaryDir cache;
    HttpTestServer archive, pictures;
    ASSERT_TRUE(MediaTools::ffmpeg({"-f", "lavfi", "-i", "testsrc=size=64x48", "-frames:v", "1",
                                    cache.filePath("front.jpg")}));
    QFile front(cache.filePath("front.jpg"));
    ASSERT_TRUE(front.open(QIODevice::ReadOnly));
    const QByteArray jpeg = front.readAll();
    CoverArtClient client(archive.address() + "/", cache.filePath("covers"));
    // The reply and the error it gives (none for a release without a cover).
    const std::pair<QByteArray, QString> failures[] = {
        {HttpTestServer::http(404, "Not found"), {}},
        {HttpTestServer::http(503, ""), "The Cover Art Archive answered with an error (HTTP 503)."},
        {HttpTestServer::http(200, "<html>maintenance</html>"),
         "The Cover Art Archive's picture is not used: the cover is not a JPEG or PNG picture."},
        {HttpTestServer::http(200, jpeg, CoverArtClient::MaxReplyBytes + 1),
         "The Cover Art Archive reply is too large."},
        {{}, "The Cover Art Archive server did not answer in time."},
    };
    for (const auto& [reply, error] : failures) {
        archive.reply = reply;
        client.setTimeout(reply.isEmpty() ? 300 : 0);
        EXPECT_EQ(fetch(client, release), std::make_pair(CoverArt(), error));
    }
    EXPECT_EQ(fetch(client, "../../etc/passwd").second,
              "The release has no MusicBrainz ID to fetch its cover by."); // nothing asked
    EXPECT_FALSE(QDir(cache.filePath("covers")).exists()); // nothing of a failure is kept
    // The archive sends its clients on to another host that holds the picture.
    archive.reply = HttpTestServer::http(
        307, "", 0, "Location: " + pictures.address().toLatin1() + "/release-front.jpg\r\n");
    pictures.reply = HttpTestServer::http(200, jpeg);
    EXPECT_EQ(fetch(client, release).first, (CoverArt{jpeg, "image/jpeg"}));
    EXPECT_TRUE(
        archive.requests.last().startsWith("GET /release/" + release.toLatin1() + "/front-500 "));
    archive.close();
    pictures.close();
    EXPECT_EQ(fetch(client, release.toUpper()).first, (CoverArt{jpeg, "image/jpeg"}));
}
