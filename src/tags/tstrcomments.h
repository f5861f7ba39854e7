#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One comment of an Ogg file: "NAME=value" split at its first "=".
struct TStrComment {
    QString name;  // empty when the text has no valid field name
    QString value; // the whole text when there is no name
    QString text;  // name, "=" and value; the value alone when the name is empty
};

// The comments of an Ogg file's comment block, each split into name and value.
class TStrComments {
public:
    // From the comments' raw UTF-8 bytes, in the order the file holds them.
    explicit TStrComments(const QList<QByteArray>& comments);

    const QList<TStrComment>& entries() const { return m_entries; }

private:
    QList<TStrComment> m_entries;
};
