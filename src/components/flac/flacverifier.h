#pragma once

#include <memory>
#include <QString>
#include <QtGlobal>
#include <vector>

// Decodes a FLAC stream as it is written, on a thread of its own, and
// compares every frame with the samples it was made from, so that a file
// that would not play back as its source fails. libFLAC's own verification
// does the same work, but on the encoding thread.
class FlacVerifier {
public:
    FlacVerifier(int channels, int bitsPerSample);
    // Ends the thread, whatever it was doing.
    ~FlacVerifier();
    FlacVerifier(const FlacVerifier&) = delete;
    FlacVerifier& operator=(const FlacVerifier&) = delete;

    // The samples the next frames must decode to, interleaved, each of
    // bitsPerSample significant bits; given before the bytes made of them.
    // They are shared with the encoder, which reads them meanwhile, not copied.
    void expect(std::shared_ptr<const std::vector<qint32>> samples);
    // The stream's next bytes, as first written. Waits while much is not yet
    // decoded; false once the verification has failed.
    bool feed(const unsigned char* bytes, std::size_t count);
    // Waits until every byte is decoded: empty when the stream decoded to
    // exactly the samples expected, else what was wrong.
    QString finish();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
