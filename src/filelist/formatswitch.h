#pragma once

#include "settings/mainchoices.h"

#include <QList>
#include <QString>
#include <QStringList>

// The function and format switches of the list, and the commands of its
// context menu, as values the window applies to its widgets and rows.

// "MP3", "WAV", "WMA", "OGG", "RM", "FLAC" or "OPUS" for an output format;
// empty otherwise.
QString TargetText(int format);
// The seven target texts as the format editor lists them: MP3, WAV, WMA,
// OGG, RM, FLAC, OPUS.
QStringList FormatTargetTexts();
// The items of the Output Format group by their OutputFormat number, "SET"
// among them.
QStringList FormatChoiceTexts();
// The format whose text a row's target holds; -1 when none does.
int FormatOfTarget(const QString& target);

// The output format choice. 'SET' is a command, never a lasting choice: it
// shows the settings dialog and then the last real format is chosen again,
// which retargets every row as any choice does.
class FormatChoice {
public:
    explicit FormatChoice(int lastFormat = FormatMp3);

    struct Outcome {
        bool showSettings = false; // 'SET': show the settings dialog first
        int format = FormatMp3;    // the format selected afterwards
        QString target;            // the text every row's target becomes
    };
    Outcome choose(int item);
    int lastFormat() const { return m_lastFormat; }

private:
    int m_lastFormat;
};

// Every row's target becomes `target`, also those the per-row editor set.
void RetargetRows(QStringList& targets, const QString& target);

// 'Select All' (tick = true) and 'Unselect All' (tick = false): every row gets
// the tick; nothing changes while a job runs.
void TickAllRows(QList<bool>& ticks, bool tick, bool jobRunning);

// What a switch of function does to the list and its neighbours. Either way
// the rows are deleted and no row is current.
struct FunctionSwitch {
    bool checkBoxes = false;         // the list shows check boxes (CD rows)
    bool driveChoiceEnabled = false; // cb_driver
    bool readDiscAndLookUp = false;  // rebuild the track table, then the FreeDB lookup
    bool clearRows = true;
    int currentRow = -1;
};
FunctionSwitch SwitchFunction(FunctionMode to);

// The commands of the list and the file menu that belong to one function.
enum class ListCommandGuard { Run, RefuseSilently, ShowConverterMessage };
// Add File, Add Folder, Remove and Clear.
ListCommandGuard GuardListCommand(FunctionMode mode, bool jobRunning);
inline const QString ConverterFunctionMessage = QStringLiteral(
    "This button member of \"converter\" function, Please choose \"converter\" function");

// After RemoveRows: whether to select the first row and run ShowRowTags (which
// makes it current unless a preview plays), and the current row before that.
struct AfterRemoval {
    bool selectFirstRow = false;
    int currentRow = -1;
};
AfterRemoval RowsRemoved(int rowsLeft, bool anySelected, int currentRow);

// The list's context menu, in order; an empty text is a separator.
QStringList ListContextMenuTexts();
