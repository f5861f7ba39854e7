#pragma once

#include <QString>
#include <stdexcept>

// A step of a job that cannot go on for its row (no folder, no free name);
// the text is meant for the user.
class JobError : public std::runtime_error {
public:
    explicit JobError(const QString& message) : std::runtime_error(message.toStdString()) {}

    QString message() const { return QString::fromStdString(what()); }
};
