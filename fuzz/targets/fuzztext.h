#pragma once

#include "values/untrustedtext.h"

#include <cstdlib>
#include <QString>

// What a server's reply puts in the track rows must be short, printable text.
inline void checkCleanText(const QString& text) {
    if (text.size() > MaxUntrustedTextLength)
        std::abort();
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control)
            std::abort();
}
