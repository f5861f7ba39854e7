#include "settings/ui/mp3expertpage.h"

#include "settings/mp3keys.h"
#include "settings/ui/settingscontrols.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QVBoxLayout>

using namespace SettingsControls;

namespace {
QCheckBox* check(const char* name, const char* text, QWidget* parent) {
    auto* box = new QCheckBox(QLatin1String(text), parent);
    box->setObjectName(QLatin1String(name));
    return box;
}
} // namespace

Mp3ExpertPage::Mp3ExpertPage(QWidget* parent) : SettingsPage(parent) {
    setObjectName(QStringLiteral("gb_expert"));
    m_crc = check("ck_crc", "include CRC -Checksums", this);
    m_strictIso = check("ck_comply", "comply as much as possible to ISO MPEG spec", this);
    m_allowDiffBlocks = check("ck_allow", "allow block types to differ between channels", this);
    m_shortBlocks = check("ck_short", "short blocks", this);
    m_bitReservoir = check("ck_bit", "bit reservoir", this);
    m_ath = list("cb_ath",
                 {QStringLiteral("default"), QStringLiteral("only"), QStringLiteral("disabled"),
                  QStringLiteral("only for short blocks")},
                 this);
    m_deemphasis = list("cb_de",
                        {QStringLiteral("default"), QStringLiteral("0/15 microseconds"),
                         QStringLiteral("citt j.17")},
                        this);

    auto* layout = new QVBoxLayout(this);
    for (QCheckBox* box : {m_crc, m_strictIso, m_allowDiffBlocks, m_shortBlocks, m_bitReservoir})
        layout->addWidget(box);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("ATH Control:"), m_ath);
    form->addRow(QStringLiteral("De-emphasis :"), m_deemphasis);
    layout->addLayout(form);
    layout->addStretch();

    bind({{m_bitReservoir, Mp3Keys::BitReservoir},
          {m_shortBlocks, Mp3Keys::ShortBlocks},
          {m_allowDiffBlocks, Mp3Keys::AllowDiffBlocks},
          {m_strictIso, Mp3Keys::StrictIso},
          {m_crc, Mp3Keys::Crc},
          {m_ath, Mp3Keys::Ath},
          {m_deemphasis, Mp3Keys::Deemphasis}});
}
