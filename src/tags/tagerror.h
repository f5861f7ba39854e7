#pragma once

#include <QString>
#include <stdexcept>

// A tag write or read that had to stop; the text is shown to the user as it is.
class TagError : public std::runtime_error {
public:
    explicit TagError(const QString& text) : std::runtime_error(text.toStdString()) {}
    QString text() const { return QString::fromUtf8(what()); }
};
