#pragma once

#include <QString>

// Texts from a disc or a server reach file names and tags; keep them to one
// printable line of reasonable length.
inline constexpr int MaxUntrustedTextLength = 255;

// Line breaks and tabs become blanks, other control characters are dropped,
// blanks at both ends are removed and the text is cut to maxLength characters
// without splitting a surrogate pair.
QString cleanUntrustedText(const QString& text, int maxLength = MaxUntrustedTextLength);
