#pragma once

#include "settings/ui/settingspage.h"

#include <QStringList>

class QComboBox;

// WMA output profile and RealMedia codec.
class WmaRmPage : public SettingsPage {
    Q_OBJECT
public:
    explicit WmaRmPage(QWidget* parent = nullptr);

    // The RM codecs that the video file component can write, codec 1 first.
    void setRmCodecNames(const QStringList& names);

private:
    QComboBox* m_wma;
    QComboBox* m_rmCodecs;
};
