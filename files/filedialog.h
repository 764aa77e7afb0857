#pragma once

#include <QString>

#include <optional>

// The file dialog of the Load and Save commands. It remembers the name chosen
// last, in either form, and proposes it at the next showing. Empty when the
// operator cancels (or the dialog fails).
class FileDialog
{
public:
    virtual ~FileDialog() = default;
    virtual std::optional<QString> askOpen() = 0;
    virtual std::optional<QString> askSave() = 0;
};
