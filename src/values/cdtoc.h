#pragma once

#include <QString>
#include <QVector>

// A disc's table of contents as a disc database sees it: where each track
// starts and where the disc ends, in CD frames from the start of the program
// area (the 150 frames of lead-in not counted).
class CdToc {
public:
    static constexpr int LeadInFrames = 150;
    static constexpr int FramesPerSecond = 75;

    CdToc() = default;
    CdToc(QVector<int> trackStarts, int leadout);

    int trackCount() const { return m_starts.size(); }
    bool isEmpty() const { return m_starts.isEmpty(); }
    const QVector<int>& trackStarts() const { return m_starts; }
    int leadout() const { return m_leadout; }

    // The FreeDB disc ID, eight lower-case hex digits.
    QString discId() const;
    // "discid ntracks offset1 ... offsetN seconds", blank-separated, as a
    // "cddb query" takes them (offsets count the lead-in).
    QString queryArguments() const;

    // The offsets and lead-out as one line, for telling two discs apart
    // that share a disc ID.
    QString toText() const;
    static CdToc fromText(const QString& text);

    bool operator==(const CdToc& other) const {
        return m_starts == other.m_starts && m_leadout == other.m_leadout;
    }
    bool operator!=(const CdToc& other) const { return !(*this == other); }

private:
    QVector<int> m_starts;
    int m_leadout = 0;
};
