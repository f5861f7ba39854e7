#include "settings/ui/flacpage.h"

#include "settings/flackeys.h"
#include "settings/ui/settingscontrols.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

FlacPage::FlacPage(QWidget* parent) : SettingsPage(parent) {
    setObjectName(QStringLiteral("gb_flac"));
    auto* general = new QGroupBox(QStringLiteral("Compression:"), this);
    QStringList levels;
    for (int level = 0; level <= FlacKeys::LevelMax; ++level)
        levels << QString::number(level);
    levels.first() += QStringLiteral(" (fastest)");
    levels[FlacKeys::Level.defaultValue] += QStringLiteral(" (default)");
    levels.last() += QStringLiteral(" (smallest)");
    m_level = SettingsControls::list("cb_flac_level", levels, general);
    auto* hint = new QLabel(QStringLiteral("Every level keeps the sound exactly; a higher level "
                                           "makes smaller files more slowly. Each file is "
                                           "verified as it is made and carries the MD5 of its "
                                           "sound and a seek table."),
                            general);
    hint->setWordWrap(true);
    auto* form = new QFormLayout(general);
    form->addRow(QStringLiteral("Level: "), m_level);
    form->addRow(hint);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(general);
    layout->addStretch();

    bind({{m_level, FlacKeys::Level}});
}
