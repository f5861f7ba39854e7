#pragma once

#include <cstddef>
#include <cstdint>
#include <QBuffer>

// The fuzzer's bytes as a read-only device, without a copy, so that a read
// past their end is caught.
class FuzzInput : public QBuffer {
public:
    FuzzInput(const uint8_t* data, size_t size)
        : m_bytes(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size))) {
        setBuffer(&m_bytes);
        open(QIODevice::ReadOnly);
    }

private:
    QByteArray m_bytes;
};
