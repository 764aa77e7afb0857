// wendalink-bridge: loads the link library and makes one library call per
// request read from standard input, answering on standard output (see
// docs/bridge-protocol.md). Usage: wendalink-bridge [LIBRARY], where LIBRARY is
// the library's name (default "wendalink") or a path to its file. Standard
// output carries protocol bytes only; anything for a person goes to standard
// error.

#include "bridgeprotocol.h"
#include "librarybinding.h"

#include <cstdio>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <climits>
#include <unistd.h>
#endif

using namespace BridgeProtocol;
using LinkCall::Status;

namespace {

const char *const defaultLibraryName = "wendalink";
constexpr int exitBadStream = 1;

std::string ownPath(const char *argv0)
{
    std::string path = argv0 ? argv0 : "";
#if defined(_WIN32)
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD size = GetModuleFileNameA(nullptr, buffer.data(), DWORD(buffer.size()));
        if (size > 0 && size < buffer.size())
            path.assign(buffer.data(), size);
        if (size < buffer.size())
            break;
        buffer.resize(buffer.size() * 2);
    }
#else
    std::vector<char> buffer(PATH_MAX);
    const ssize_t size = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (size > 0)
        path.assign(buffer.data(), std::size_t(size));
#endif
    return path;
}

Answer badRequest(const std::string &reason)
{
    Answer answer;
    answer.status = Status::BadRequest;
    answer.reason = reason;
    return answer;
}

bool send(const std::string &message)
{
    return std::fwrite(message.data(), 1, message.size(), stdout) == message.size()
        && std::fflush(stdout) == 0;
}

bool readExactly(char *buffer, std::size_t size)
{
    return std::fread(buffer, 1, size, stdin) == size;
}

int refuse(const std::string &reason)
{
    std::fprintf(stderr, "wendalink-bridge: %s\n", reason.c_str());
    send(encodeAnswer(Function::InitializeComm, badRequest(reason)));
    return exitBadStream;
}

} // namespace

int main(int argc, char **argv)
{
#if defined(_WIN32)
    // Text mode would turn each 0x0a into 0x0d 0x0a on the way out.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    LibraryBinding library(argc > 1 ? argv[1] : defaultLibraryName, ownPath(argv[0]));

    std::string body;
    for (;;) {
        char prefix[lengthPrefixSize];
        const std::size_t got = std::fread(prefix, 1, lengthPrefixSize, stdin);
        if (got == 0 && std::feof(stdin))
            return 0; // the tool closed the pipe between calls: the normal end
        if (got != lengthPrefixSize)
            return refuse("the request's length is cut short");
        const std::uint32_t length = bodyLength(prefix);
        if (length > maxRequestBodySize)
            return refuse("a request of " + std::to_string(length) + " bytes is too long");
        body.resize(length);
        if (!readExactly(body.data(), length))
            return refuse("the request is cut short");

        Call call;
        const std::string problem = decodeRequest(body, call);
        const Function function = call.function;
        const Answer answer
            = problem.empty() ? serve(library, std::move(call)) : badRequest(problem);
        if (!send(encodeAnswer(function, answer)))
            return exitBadStream;
    }
}
