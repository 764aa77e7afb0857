#include "librarybinding.h"

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

using LinkCall::Status;

namespace {

// What became of one place the library was looked for.
struct Attempt
{
    Status outcome; // Done: loaded
    std::string reason;
};

#if defined(_WIN32)
const char *const filePrefix = "";
const char *const fileSuffix = ".dll";

std::string systemMessage(DWORD code)
{
    char *text = nullptr;
    const DWORD size = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char *>(&text), 0, nullptr);
    std::string message = size ? std::string(text, size) : "error " + std::to_string(code);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message + " (error " + std::to_string(code) + ")";
}

bool exists(const std::string &file, bool searched)
{
    if (!searched)
        return GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES;
    char found[MAX_PATH];
    return SearchPathA(nullptr, file.c_str(), nullptr, MAX_PATH, found, nullptr) != 0;
}

Attempt open(const std::string &file, bool searched, void *&handle)
{
    handle = reinterpret_cast<void *>(LoadLibraryA(file.c_str()));
    if (handle)
        return {Status::Done, {}};
    const DWORD code = GetLastError();
    if (code == ERROR_BAD_EXE_FORMAT) // e.g. a 64-bit DLL for the 32-bit bridge
        return {Status::LibraryWrongKind, systemMessage(code)};
    return {exists(file, searched) ? Status::LibraryNotLoaded : Status::LibraryMissing,
        systemMessage(code)};
}

LibraryBinding::Address findFunction(void *handle, const char *function, std::string &reason)
{
    const auto address = reinterpret_cast<LibraryBinding::Address>(
        GetProcAddress(static_cast<HMODULE>(handle), function));
    if (!address)
        reason = systemMessage(GetLastError());
    return address;
}
#else
const char *const filePrefix = "lib";
const char *const fileSuffix = ".so";
const char elfMagic[] = "\x7f"
                        "ELF";
constexpr std::size_t elfClassAt = 4;
constexpr char elfClass32 = 1;
constexpr char elfClass64 = 2;

std::string lastError()
{
    const char *text = dlerror();
    return text ? text : "unknown error";
}

// A file that is there but is no library this process can load: not an ELF
// file, or one for the other word size.
bool isWrongKind(const std::string &file)
{
    std::FILE *stream = std::fopen(file.c_str(), "rb");
    if (!stream)
        return false;
    char header[elfClassAt + 1] = {};
    const bool complete = std::fread(header, 1, sizeof header, stream) == sizeof header;
    std::fclose(stream);
    const char ownClass = sizeof(void *) == 8 ? elfClass64 : elfClass32;
    return !complete || std::memcmp(header, elfMagic, elfClassAt) != 0
        || header[elfClassAt] != ownClass;
}

Attempt open(const std::string &file, bool searched, void *&handle)
{
    handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle)
        return {Status::Done, {}};
    const std::string reason = lastError();
    if (searched) {
        // The loader names the file it could not find first; another name
        // there is a library this one needs.
        const bool notFound = reason.rfind(file + ": cannot open shared object file", 0) == 0;
        return {notFound ? Status::LibraryMissing : Status::LibraryNotLoaded, reason};
    }
    std::FILE *stream = std::fopen(file.c_str(), "rb");
    if (!stream)
        return {Status::LibraryMissing, reason};
    std::fclose(stream);
    return {isWrongKind(file) ? Status::LibraryWrongKind : Status::LibraryNotLoaded, reason};
}

LibraryBinding::Address findFunction(void *handle, const char *function, std::string &reason)
{
    dlerror();
    const auto address = reinterpret_cast<LibraryBinding::Address>(dlsym(handle, function));
    if (!address)
        reason = lastError();
    return address;
}
#endif

bool isPath(const std::string &name)
{
    return name.find('/') != std::string::npos || name.find('\\') != std::string::npos;
}

std::string folderOf(const std::string &path)
{
    const std::size_t end = path.find_last_of("/\\");
    return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

// Which failure to tell when every place failed: a file of the wrong kind
// first, then one that is there but would not load, else none was found.
int weight(Status outcome)
{
    switch (outcome) {
    case Status::LibraryWrongKind:
        return 2;
    case Status::LibraryNotLoaded:
        return 1;
    default:
        return 0;
    }
}

} // namespace

LibraryBinding::LibraryBinding(std::string name, std::string program)
    : m_name(std::move(name))
    , m_program(std::move(program))
    , m_library(m_name)
{ }

bool LibraryBinding::load()
{
    if (m_loadAttempted)
        return m_handle != nullptr;
    m_loadAttempted = true;

    // Where to look, and whether the system searches for it there.
    std::vector<std::pair<std::string, bool>> candidates;
    const std::string file = isPath(m_name) ? m_name : filePrefix + m_name + fileSuffix;
    if (isPath(m_name)) {
        candidates.emplace_back(m_name, false);
    } else {
        if (!m_program.empty())
            candidates.emplace_back(folderOf(m_program) + file, false);
        candidates.emplace_back(file, true);
    }
    m_loadFailure = Status::LibraryMissing;
    std::string reasons;
    for (const auto &[candidate, searched] : candidates) {
        const Attempt attempt = open(candidate, searched, m_handle);
        if (m_handle) {
            m_library = candidate;
            m_reason.clear();
            m_loadFailure = Status::Done;
            return true;
        }
        reasons += (reasons.empty() ? "" : "; ") + candidate + ": " + attempt.reason;
        if (weight(attempt.outcome) > weight(m_loadFailure)) {
            m_loadFailure = attempt.outcome;
            m_library = candidate;
            m_reason = attempt.reason;
        }
    }
    if (m_loadFailure == Status::LibraryMissing) {
        m_library = file;
        m_reason = m_program;
    } else if (m_loadFailure == Status::LibraryNotLoaded) {
        m_reason = reasons;
    }
    return false;
}

LibraryBinding::Address LibraryBinding::resolve(const std::string &function)
{
    if (!load())
        return nullptr;
    auto known = m_functions.find(function);
    if (known == m_functions.end()) {
        std::string why;
        const Address address = findFunction(m_handle, function.c_str(), why);
        known = m_functions.emplace(function, std::make_pair(address, why)).first;
    }
    m_reason = known->second.second;
    return known->second.first;
}

namespace {

LinkCall::Answer failure(Status status, const LibraryBinding &library)
{
    LinkCall::Answer answer;
    answer.status = status;
    answer.library = library.library();
    answer.reason = library.reason();
    return answer;
}

} // namespace

LinkCall::Answer serve(LibraryBinding &library, LinkCall::Call call)
{
    if (!library.load())
        return failure(library.loadFailure(), library);
    const LibraryBinding::Address address
        = library.resolve(LinkCall::signature(call.function).name);
    if (!address)
        return failure(Status::FunctionMissing, library);
    return LinkCall::invoke(address, std::move(call));
}
