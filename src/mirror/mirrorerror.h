#pragma once

#include <QString>
#include <stdexcept>

// A mirror that cannot run at all: a state that cannot be kept, a source
// and an output folder that overlap.
class MirrorError : public std::runtime_error {
public:
    explicit MirrorError(const QString& message) : std::runtime_error(message.toStdString()) {}

    QString message() const { return QString::fromStdString(what()); }
};
