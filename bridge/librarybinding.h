#pragma once

#include "linkcall.h"

#include <map>
#include <string>
#include <utility>

// The link library as the process that calls it holds it (the bridge, or the
// tool itself when it loads the library in-process): loaded by name at the
// first call, from the folder of the program that loads it first, then the
// system's search path; each function resolved by name. Nothing else is kept
// between calls. The library stays loaded until the process ends: its state
// lives as long as the program that uses it.
class LibraryBinding
{
public:
    using Address = LinkCall::Address;

    // `name`: the library's name ("wendalink": wendalink.dll on Windows,
    // libwendalink.so elsewhere) or a path to its file. `program`: the path
    // of the program that loads it.
    LibraryBinding(std::string name, std::string program);
    LibraryBinding(const LibraryBinding &) = delete;
    LibraryBinding &operator=(const LibraryBinding &) = delete;

    // Loads once; false (every time) when it could not be loaded.
    bool load();
    // nullptr when the library lacks the function. Resolved at the first
    // use, then remembered, as is a function's absence.
    Address resolve(const std::string &function);

    // Why load() failed: LibraryMissing (no such file beside the program nor
    // on the search path), LibraryWrongKind (a file that is not a library for
    // this program: another word size, another system, no library at all) or
    // LibraryNotLoaded (anything else, e.g. a library it needs is missing).
    LinkCall::Status loadFailure() const { return m_loadFailure; }
    // The library concerned: the file looked for (missing), the file of the
    // wrong kind, the file loaded (function missing), else the name asked for.
    const std::string &library() const { return m_library; }
    // Why loading or the last resolve failed, in the system's words; for a
    // missing library, the path of the program it belongs beside.
    const std::string &reason() const { return m_reason; }

private:
    std::string m_name;
    std::string m_program;
    std::string m_library;
    std::string m_reason;
    LinkCall::Status m_loadFailure = LinkCall::Status::Done;
    std::map<std::string, std::pair<Address, std::string>> m_functions; // address, or why not
    void *m_handle = nullptr;
    bool m_loadAttempted = false;
};

// Makes `call` with the library's function: the answer tells a library or a
// function that is missing, naming it and the system's reason.
LinkCall::Answer serve(LibraryBinding &library, LinkCall::Call call);
