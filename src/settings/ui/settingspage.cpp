#include "settings/ui/settingspage.h"

#include "settings/settingsfile.h"
#include "settings/ui/choicegroup.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

namespace {

// Checks the button of `id`, or none when no button has it.
void check(QButtonGroup* buttons, int id) {
    if (QAbstractButton* button = buttons->button(id)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group will not uncheck its last button by itself.
    buttons->setExclusive(false);
    for (QAbstractButton* button : buttons->buttons())
        button->setChecked(false);
    buttons->setExclusive(true);
}

// The position an editable list stands for: the typed text may name no item,
// and two profiles share a text, so the selection decides when it matches.
int namedPosition(const QComboBox* list) {
    const QString text = list->currentText();
    const int position = list->currentIndex();
    if (position >= 0 && list->itemText(position) == text)
        return position;
    return list->findText(text, Qt::MatchExactly);
}

// The item whose data names `stored`, else the one that names the default.
int storedPosition(const QComboBox* list, const QString& stored, const char* fallback) {
    for (const QString& name : {stored, QString::fromLatin1(fallback)})
        for (int i = 0; i < list->count(); ++i)
            if (list->itemData(i).toString().compare(name, Qt::CaseInsensitive) == 0)
                return i;
    return 0;
}

} // namespace

void SettingsPage::load(const SettingsFile& settings) {
    for (const Binding& binding : m_bindings)
        binding.m_load(settings);
    updateEnabling();
}

void SettingsPage::save(SettingsFile& settings) const {
    for (const Binding& binding : m_bindings)
        binding.m_save(settings);
}

void SettingsPage::resetToDefaults() {
    for (const Binding& binding : m_bindings)
        binding.m_reset();
    updateEnabling();
}

SettingsPage::Binding::Binding(QComboBox* list, const IntKey& key, std::optional<int> resetTo)
    : m_load([=](const SettingsFile& settings) {
          list->setCurrentIndex(settings.readPosition(key, list->count()));
      }),
      m_save([=](SettingsFile& settings) {
          settings.write(key, list->isEditable() ? namedPosition(list) : list->currentIndex());
      }),
      m_reset([=] { list->setCurrentIndex(resetTo.value_or(key.defaultValue)); }) {}

SettingsPage::Binding::Binding(QComboBox* list, const TextKey& key)
    : m_load([=](const SettingsFile& settings) {
          list->setCurrentIndex(storedPosition(list, settings.read(key), key.defaultValue));
      }),
      m_save([=](SettingsFile& settings) { settings.write(key, list->currentData().toString()); }),
      m_reset([=] { list->setCurrentIndex(storedPosition(list, {}, key.defaultValue)); }) {}

SettingsPage::Binding::Binding(ChoiceGroup* group, const IntKey& key)
    : m_load([=](const SettingsFile& settings) {
          const int stored = settings.read(key);
          group->setIndex(stored < 0 ? key.defaultValue : stored);
      }),
      m_save([=](SettingsFile& settings) { settings.write(key, group->index()); }),
      m_reset([=] { group->setIndex(key.defaultValue); }) {}

SettingsPage::Binding::Binding(QSpinBox* spin, const IntKey& key)
    : m_load([=](const SettingsFile& settings) { spin->setValue(settings.read(key)); }),
      m_save([=](SettingsFile& settings) { settings.write(key, spin->value()); }),
      m_reset([=] { spin->setValue(key.defaultValue); }) {}

SettingsPage::Binding::Binding(QCheckBox* check, const BoolKey& key)
    : m_load([=](const SettingsFile& settings) { check->setChecked(settings.read(key)); }),
      m_save([=](SettingsFile& settings) { settings.write(key, check->isChecked()); }),
      m_reset([=] { check->setChecked(key.defaultValue); }) {}

SettingsPage::Binding::Binding(QLineEdit* edit, const TextKey& key)
    : m_load([=](const SettingsFile& settings) { edit->setText(settings.read(key)); }),
      m_save([=](SettingsFile& settings) { settings.write(key, edit->text()); }),
      m_reset([=] { edit->setText(QLatin1String(key.defaultValue)); }) {}

namespace {

void checkNamed(const QList<QPair<QCheckBox*, QString>>& checks, const QString& list) {
    QStringList names;
    for (const QString& name : list.split(QLatin1Char(',')))
        names << name.trimmed();
    for (const auto& [check, name] : checks)
        check->setChecked(names.contains(name, Qt::CaseInsensitive));
}

} // namespace

SettingsPage::Binding::Binding(const QList<QPair<QCheckBox*, QString>>& checks, const TextKey& key)
    : m_load([=](const SettingsFile& settings) { checkNamed(checks, settings.read(key)); }),
      m_save([=](SettingsFile& settings) {
          QStringList names;
          for (const auto& [check, name] : checks)
              if (check->isChecked())
                  names << name;
          settings.write(key, names.join(QLatin1Char(',')));
      }),
      m_reset([=] { checkNamed(checks, QLatin1String(key.defaultValue)); }) {}

SettingsPage::Binding::Binding(QButtonGroup* buttons, int* pending, const IntKey& key, int count)
    : m_load([=](const SettingsFile& settings) {
          *pending = settings.readPosition(key, count);
          check(buttons, *pending);
      }),
      m_save([=](SettingsFile& settings) { settings.write(key, *pending); }), m_reset([=] {
          *pending = key.defaultValue;
          check(buttons, *pending);
      }) {
    QObject::connect(buttons, &QButtonGroup::idClicked, buttons,
                     [pending](int id) { *pending = id; });
}
