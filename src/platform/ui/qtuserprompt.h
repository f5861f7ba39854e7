#pragma once

#include "platform/iuserprompt.h"

class QWidget;

// The real prompt: Qt's message boxes and file dialog, over the given parent.
class QtUserPrompt : public IUserPrompt {
public:
    explicit QtUserPrompt(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    void Information(const QString& text) override;
    bool Question(const QString& text) override;
    QStringList OpenFiles(const QString& caption, const QString& filter) override;
    int Exec(QDialog& dialog) override;

private:
    QWidget* m_parent;
};
