#pragma once

class LinkLibrary;
class OptionPanel;

// "Save for all terminals": writes the command records into the library's
// shared configuration store under TERMINAL as PELSADOIG1, PELSADOIG2, ... and
// removes the elements a shorter list leaves over, up to number 21.
void saveForAllTerminals(LinkLibrary &link, OptionPanel &panel);
