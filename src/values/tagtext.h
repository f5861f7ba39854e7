#pragma once

#include <QString>

// Text helpers shared by the tag units.
namespace TagText {

// Removes leading and trailing characters with codes 0 to 32 (spaces, control
// characters and the zero fill that tag frames carry).
QString trimmed(const QString& text);

// Cuts a text so that its UTF-8 form takes at most maxBytes bytes, never in the
// middle of a character.
QString cutToUtf8Bytes(const QString& text, int maxBytes);

// Cuts a text to at most maxUnits UTF-16 code units, never between the two
// halves of a surrogate pair.
QString cutToUtf16Units(const QString& text, int maxUnits);

// The text up to its first zero character.
QString upToZero(const QString& text);

} // namespace TagText
