#pragma once

#include "settings/mainchoices.h"

#include <QString>

// The function and format switches of the list, and the commands of its
// context menu, as values the window applies to its widgets and rows.

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

// What a switch of function does to the list and its neighbours. Either way
// the rows are deleted and no row is current.
struct FunctionSwitch {
    bool driveChoiceEnabled = false; // cb_driver
    bool readDiscAndLookUp = false;  // rebuild the track table, then the FreeDB lookup
    bool clearRows = true;
    int currentRow = -1;
};
FunctionSwitch switchFunction(FunctionMode to);

// The commands of the list and the file menu that belong to one function.
enum class ListCommandGuard { Run, RefuseSilently, ShowConverterMessage };
// Add File, Add Folder, Remove and Clear.
ListCommandGuard guardListCommand(FunctionMode mode, bool jobRunning);
inline const QString ConverterFunctionMessage = QStringLiteral(
    "This button member of \"converter\" function, Please choose \"converter\" function");

// After RemoveRows: whether to select the first row and run ShowRowTags (which
// makes it current unless a preview plays), and the current row before that.
struct AfterRemoval {
    bool selectFirstRow = false;
    int currentRow = -1;
};
AfterRemoval rowsRemoved(int rowsLeft, bool anySelected, int currentRow);
