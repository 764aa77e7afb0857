#pragma once

#include "linkcall.h"

#include <map>
#include <string>
#include <utility>

// The link library as the process that calls it holds it (the bridge, or the
// tool itself when it loads the library in-process): loaded by name at the
// first call, from the given folder (the program's own) first, then the
// system's search path; each function resolved by name. Nothing else is kept
// between calls. The library stays loaded until the process ends: its state
// lives as long as the program that uses it.
class LibraryBinding
{
public:
    using Address = LinkCall::Address;

    LibraryBinding(std::string name, std::string ownFolder);
    LibraryBinding(const LibraryBinding &) = delete;
    LibraryBinding &operator=(const LibraryBinding &) = delete;

    // Loads once; false (every time) when it could not be loaded.
    bool load();
    // nullptr when the library lacks the function. Resolved at the first
    // use, then remembered, as is a function's absence.
    Address resolve(const std::string &function);

    // The name asked for, then (once loaded) the file it came from.
    const std::string &library() const { return m_loadedFrom.empty() ? m_name : m_loadedFrom; }
    // Why loading or the last resolve failed, in the system's words.
    const std::string &reason() const { return m_reason; }

private:
    std::string m_name;
    std::string m_ownFolder;
    std::string m_loadedFrom;
    std::string m_reason;
    std::map<std::string, std::pair<Address, std::string>> m_functions; // address, or why not
    void *m_handle = nullptr;
    bool m_loadAttempted = false;
};

// Makes `call` with the library's function: the answer tells a library or a
// function that is missing, naming it and the system's reason.
LinkCall::Answer serve(LibraryBinding &library, LinkCall::Call call);
