#include "filelist/formatswitch.h"

#include <algorithm>

namespace {

// By OutputFormat; "SET" is no target.
const char* const TargetTexts[] = {"MP3", "WAV", "WMA", "OGG", "RM", "", "FLAC", "OPUS"};
// The order the format editor lists them in: the later formats after the first five.
const OutputFormat ListOrder[] = {FormatMp3, FormatWav,  FormatWma, FormatOgg,
                                  FormatRm,  FormatFlac, FormatOpus};

} // namespace

QString TargetText(int format) {
    if (!IsOutputFormat(format))
        return {};
    return QLatin1String(TargetTexts[format]);
}

QStringList FormatTargetTexts() {
    QStringList texts;
    for (OutputFormat format : ListOrder)
        texts << TargetText(format);
    return texts;
}

QStringList FormatChoiceTexts() {
    QStringList texts;
    for (int format = FormatMp3; format <= FormatOpus; ++format)
        texts << (format == FormatSet ? QStringLiteral("SET") : TargetText(format));
    return texts;
}

int FormatOfTarget(const QString& target) {
    for (OutputFormat format : ListOrder)
        if (target == QLatin1String(TargetTexts[format]))
            return format;
    return -1;
}

FormatChoice::FormatChoice(int lastFormat)
    : m_lastFormat(IsOutputFormat(lastFormat) ? lastFormat : FormatMp3) {}

FormatChoice::Outcome FormatChoice::choose(int item) {
    Outcome outcome;
    if (IsOutputFormat(item))
        m_lastFormat = item;
    else
        outcome.showSettings = item == FormatSet;
    outcome.format = m_lastFormat;
    outcome.target = TargetText(m_lastFormat);
    return outcome;
}

void RetargetRows(QStringList& targets, const QString& target) {
    for (QString& row : targets)
        row = target;
}

void TickAllRows(QList<bool>& ticks, bool tick, bool jobRunning) {
    if (jobRunning)
        return;
    for (bool& row : ticks)
        row = tick;
}

FunctionSwitch SwitchFunction(FunctionMode to) {
    FunctionSwitch effect;
    const bool ripper = to == CdRipper;
    effect.checkBoxes = ripper;
    effect.driveChoiceEnabled = ripper;
    effect.readDiscAndLookUp = ripper;
    return effect;
}

ListCommandGuard GuardListCommand(FunctionMode mode, bool jobRunning) {
    if (jobRunning)
        return ListCommandGuard::RefuseSilently;
    if (mode != Converter)
        return ListCommandGuard::ShowConverterMessage;
    return ListCommandGuard::Run;
}

AfterRemoval RowsRemoved(int rowsLeft, bool anySelected, int currentRow) {
    AfterRemoval after;
    after.selectFirstRow = rowsLeft >= 2 && !anySelected;
    // Kept within the rows even when selecting the first row cannot make it
    // current (during playback): it must never point past the list.
    after.currentRow = rowsLeft <= 0 ? -1 : std::min(currentRow, rowsLeft - 1);
    return after;
}

QStringList ListContextMenuTexts() {
    return {QStringLiteral("Select All"),
            QStringLiteral("Unselect All"),
            QString(),
            QStringLiteral("Add File"),
            QStringLiteral("Add Folder"),
            QStringLiteral("Remove File"),
            QStringLiteral("Clear List"),
            QString(),
            QStringLiteral("Play"),
            QStringLiteral("Stop")};
}
