#pragma once

class LinkLibrary;
class OptionPanel;

// What a save for all terminals achieved, by the library's results. The window
// does not look at it; a command run without an operator reports it.
struct SharedConfigurationResult
{
    int recordCount = 0;
    // Records whose reset, positioning or write the library reported failed.
    int recordsNotWritten = 0;
    // Elements of an earlier, longer list that may still be in the store.
    int removalsFailed = 0;

    bool complete() const { return recordsNotWritten == 0 && removalsFailed == 0; }
};

// "Save for all terminals": writes the command records into the library's
// shared configuration store under TERMINAL as PELSADOIG1, PELSADOIG2, ... and
// removes the elements a shorter list leaves over, up to number 21.
SharedConfigurationResult saveForAllTerminals(LinkLibrary &link, OptionPanel &panel);
