#include "librarybinding.h"

#include <utility>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

#if defined(_WIN32)
constexpr char separator = '\\';
const char *const filePrefix = "";
const char *const fileSuffix = ".dll";

std::string lastError()
{
    const DWORD code = GetLastError();
    char *text = nullptr;
    const DWORD size = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char *>(&text), 0, nullptr);
    std::string message = size ? std::string(text, size) : "error " + std::to_string(code);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message;
}

void *openLibrary(const std::string &file)
{
    return reinterpret_cast<void *>(LoadLibraryA(file.c_str()));
}

LibraryBinding::Address findFunction(void *handle, const char *function)
{
    return reinterpret_cast<LibraryBinding::Address>(
        GetProcAddress(static_cast<HMODULE>(handle), function));
}
#else
constexpr char separator = '/';
const char *const filePrefix = "lib";
const char *const fileSuffix = ".so";

std::string lastError()
{
    const char *text = dlerror();
    return text ? text : "unknown error";
}

void *openLibrary(const std::string &file)
{
    return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

LibraryBinding::Address findFunction(void *handle, const char *function)
{
    dlerror();
    return reinterpret_cast<LibraryBinding::Address>(dlsym(handle, function));
}
#endif

bool isPath(const std::string &name)
{
    return name.find('/') != std::string::npos || name.find('\\') != std::string::npos;
}

} // namespace

LibraryBinding::LibraryBinding(std::string name, std::string ownFolder)
    : m_name(std::move(name))
    , m_ownFolder(std::move(ownFolder))
{ }

bool LibraryBinding::load()
{
    if (m_loadAttempted)
        return m_handle != nullptr;
    m_loadAttempted = true;

    std::vector<std::string> candidates;
    if (isPath(m_name)) {
        candidates.push_back(m_name);
    } else {
        const std::string file = filePrefix + m_name + fileSuffix;
        if (!m_ownFolder.empty())
            candidates.push_back(m_ownFolder + separator + file);
        candidates.push_back(file); // the system's search path
    }
    for (const std::string &candidate : candidates) {
        m_handle = openLibrary(candidate);
        if (m_handle) {
            m_loadedFrom = candidate;
            m_reason.clear();
            return true;
        }
        m_reason += (m_reason.empty() ? "" : "; ") + candidate + ": " + lastError();
    }
    return false;
}

LibraryBinding::Address LibraryBinding::resolve(const std::string &function)
{
    if (!load())
        return nullptr;
    auto known = m_functions.find(function);
    if (known == m_functions.end()) {
        const Address address = findFunction(m_handle, function.c_str());
        known = m_functions.emplace(function, std::make_pair(address, address ? "" : lastError()))
                    .first;
    }
    m_reason = known->second.second;
    return known->second.first;
}

namespace {

LinkCall::Answer failure(LinkCall::Status status, const LibraryBinding &library)
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
        return failure(LinkCall::Status::LibraryMissing, library);
    const LibraryBinding::Address address
        = library.resolve(LinkCall::signature(call.function).name);
    if (!address)
        return failure(LinkCall::Status::FunctionMissing, library);
    return LinkCall::invoke(address, std::move(call));
}
