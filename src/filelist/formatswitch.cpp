#include "filelist/formatswitch.h"

#include <algorithm>

FormatChoice::FormatChoice(int lastFormat)
    : m_lastFormat(isOutputFormat(lastFormat) ? lastFormat : FormatMp3) {}

FormatChoice::Outcome FormatChoice::choose(int item) {
    Outcome outcome;
    if (isOutputFormat(item))
        m_lastFormat = item;
    else
        outcome.showSettings = item == FormatSet;
    outcome.format = m_lastFormat;
    outcome.target = formatText(m_lastFormat);
    return outcome;
}

FunctionSwitch switchFunction(FunctionMode to) {
    FunctionSwitch effect;
    const bool ripper = to == CdRipper;
    effect.driveChoiceEnabled = ripper;
    effect.readDiscAndLookUp = ripper;
    return effect;
}

ListCommandGuard guardListCommand(FunctionMode mode, bool jobRunning) {
    if (jobRunning)
        return ListCommandGuard::RefuseSilently;
    if (mode != Converter)
        return ListCommandGuard::ShowConverterMessage;
    return ListCommandGuard::Run;
}

AfterRemoval rowsRemoved(int rowsLeft, bool anySelected, int currentRow) {
    AfterRemoval after;
    after.selectFirstRow = rowsLeft >= 2 && !anySelected;
    // Kept within the rows even when selecting the first row cannot make it
    // current (during playback): it must never point past the list.
    after.currentRow = rowsLeft <= 0 ? -1 : std::min(currentRow, rowsLeft - 1);
    return after;
}
