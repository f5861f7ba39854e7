#include "jobs/joberror.h"
#include "jobs/pcmpipe.h"

#include <gtest/gtest.h>
#include <random>
#include <thread>

namespace {

QByteArray noise(int bytes, unsigned pattern) {
    std::mt19937 random(pattern);
    QByteArray data(bytes, Qt::Uninitialized);
    for (char& c : data)
        c = char(random());
    return data;
}

// What the reader pushes comes out in order and whole, and the buffer never
// holds more than its budget, however the block sizes fall.
TEST(PcmPipe, PassesEveryByteInOrderWithinTheBudget) {
    const qint64 budget = 100000;
    for (const int blockSize : {4, 58800, 99996, 100000, 250000}) {
        SCOPED_TRACE(blockSize);
        auto buffer = std::make_shared<PcmBuffer>(budget);
        auto pipe = std::make_shared<PcmPipe>(buffer);
        const QByteArray sent = noise(1000000, unsigned(blockSize));
        std::thread reader([&] {
            for (int at = 0; at < sent.size(); at += blockSize)
                pipe->push(sent.mid(at, blockSize));
            pipe->finish();
        });
        QByteArray received;
        qint64 most = 0;
        for (QByteArray block = pipe->pop(); !block.isEmpty(); block = pipe->pop()) {
            received += block;
            most = std::max(most, buffer->held());
        }
        reader.join();
        EXPECT_TRUE(received == sent);
        // One block larger than the budget passes alone.
        EXPECT_LE(most, std::max<qint64>(budget, blockSize));
        EXPECT_EQ(buffer->held(), 0);
    }
}

// A failed read fails the encoder with its reason; an encoder that gives up
// ends the read; after the end, late blocks are let go.
TEST(PcmPipe, FailureOnEitherSideReachesTheOther) {
    auto buffer = std::make_shared<PcmBuffer>(1000);
    PcmPipe failed(buffer);
    failed.push(QByteArray(10, 'a'));
    failed.fail(QStringLiteral("Sector 20 cannot be read."));
    EXPECT_THROW(
        {
            try {
                failed.pop();
            } catch (const JobError& e) {
                EXPECT_EQ(e.message(), QStringLiteral("Sector 20 cannot be read."));
                throw;
            }
        },
        JobError);

    PcmPipe abandoned(buffer);
    abandoned.push(QByteArray(900, 'b'));
    // The reader waits for room, then learns the encoder is gone.
    std::thread encoder([&] { abandoned.abandon(); });
    EXPECT_THROW(abandoned.push(QByteArray(900, 'c')), JobError);
    encoder.join();

    PcmPipe ended(buffer);
    ended.push(QByteArray(8, 'd'));
    ended.finish();
    ended.push(QByteArray(8, 'e'));
    EXPECT_EQ(ended.pop(), QByteArray(8, 'd'));
    EXPECT_TRUE(ended.pop().isEmpty());
}

} // namespace
