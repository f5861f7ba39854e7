#include "app/windowaccess.h"

#include "components/skin.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGroupBox>
#include <QWidget>

namespace {

// "@name" is a skin object; a group stands for its buttons.
constexpr const char* TabOrder[] = {
    "@file",     "@help",    "@start",     "@stop",     "@set",      "@addfile",    "@remove",
    "@clear",    "@refresh", "@freedb",    "cb_driver", "lv",        "rg_function", "rg_format",
    "edt_tital", "bu_tital", "edt_Artist", "bt_artist", "edt_album", "bt_album",    "edt_dir",
    "bt_dir",    "rb_none",  "rb_artist",  "rb_album",  "rb_mix",    "@break",      "@play",
    "@playstop", "@next",    "@hou",       "@qian",     "@pb"};

struct Name {
    const char* control;
    const char* name;
};

constexpr Name Names[] = {
    {"cb_driver", QT_TRANSLATE_NOOP("MainWindow", "CD Drive")},
    {"lv", QT_TRANSLATE_NOOP("MainWindow", "Tracks and Files")},
    {"bu_tital", QT_TRANSLATE_NOOP("MainWindow", "Title to All Rows")},
    {"bt_artist", QT_TRANSLATE_NOOP("MainWindow", "Artist to All Rows")},
    {"bt_album", QT_TRANSLATE_NOOP("MainWindow", "Album to All Rows")},
    {"bt_dir", QT_TRANSLATE_NOOP("MainWindow", "Choose Output Folder")},
    {"img_cover", QT_TRANSLATE_NOOP("MainWindow", "Front Cover")},
};

} // namespace

void makeWindowAccessible(QWidget* window, SkinForm* form) {
    for (const Name& entry : Names)
        if (auto* control = window->findChild<QWidget*>(QLatin1String(entry.control)))
            control->setAccessibleName(QCoreApplication::translate("MainWindow", entry.name));

    QList<QWidget*> chain;
    for (const char* entry : TabOrder) {
        const QString name = QLatin1String(entry);
        if (name.startsWith(QLatin1Char('@'))) {
            SkinObject* object = form ? form->getSkinObject(name.mid(1)) : nullptr;
            if (QWidget* stop = object ? object->focusTarget() : nullptr)
                chain << stop;
        } else if (auto* group = window->findChild<QGroupBox*>(name)) {
            for (QAbstractButton* button :
                 group->findChildren<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly))
                chain << button;
        } else if (auto* control = window->findChild<QWidget*>(name)) {
            chain << control;
        }
    }
    for (int i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}
