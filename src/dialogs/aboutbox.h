#pragma once

#include <QDialog>

class Shell;

// The about box: product, version and output formats, a "Contact us " button
// that writes to support and a "Close" button. It is created once and shown
// modally; closing it by the close box or by "Close" only hides it.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    static constexpr int Width = 291;
    static constexpr int Height = 221;
    static const char* const SupportAddress;

    explicit AboutBox(Shell& shell, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void contactSupport();

    Shell& m_shell;
};
