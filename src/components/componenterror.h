#pragma once

#include <QString>
#include <stdexcept>

// A failing call on an audio component raises this; the text is meant for the user.
class ComponentError : public std::runtime_error {
public:
    explicit ComponentError(const QString& message) : std::runtime_error(message.toStdString()) {}

    QString message() const { return QString::fromStdString(what()); }
};
