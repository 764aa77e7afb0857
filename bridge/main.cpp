// wendalink-bridge: loads the link library and makes one library call per
// request read from standard input, answering on standard output (see
// docs/bridge-protocol.md). Usage: wendalink-bridge [LIBRARY], where LIBRARY is
// the library's name (default "wendalink") or a path to its file. Standard
// output carries protocol bytes only; anything for a person goes to standard
// error.

#include "bridgeprotocol.h"
#include "librarybinding.h"
#include "wendalink.h"

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

namespace {

const char *const defaultLibraryName = "wendalink";
// Zero bytes after each text: its terminator, and the end of a configuration
// list whose length is a whole number of records.
constexpr std::size_t textPadding = 8;
constexpr int exitBadStream = 1;

std::string ownFolder(const char *argv0)
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
    const std::size_t end = path.find_last_of("/\\");
    return end == std::string::npos ? std::string() : path.substr(0, end);
}

// The call's arguments as the library sees them: numbers, the addresses of
// out variables and arrays, and NUL-terminated copies of the texts.
class Arguments
{
public:
    explicit Arguments(Call &call)
        : m_call(call)
    {
        for (const Value &value : call.arguments) {
            std::vector<char> text(value.text.begin(), value.text.end());
            text.resize(text.size() + textPadding, '\0');
            m_texts.push_back(std::move(text));
        }
    }

    std::int32_t n(std::size_t i) const { return m_call.arguments[i].number; }
    std::int32_t *o(std::size_t i) { return &m_call.arguments[i].number; }
    std::int32_t *a(std::size_t i) { return m_call.arguments[i].array.data(); }
    char *t(std::size_t i) { return m_texts[i].data(); }

    // Takes every text back as the library left it, at its length.
    void takeTextsBack()
    {
        for (std::size_t i = 0; i < m_texts.size(); ++i) {
            std::string &text = m_call.arguments[i].text;
            text.assign(m_texts[i].data(), text.size());
        }
    }

private:
    Call &m_call;
    std::vector<std::vector<char>> m_texts;
};

template<typename Function>
Function *as(LibraryBinding::Address address)
{
    return reinterpret_cast<Function *>(address);
}

std::int32_t invoke(Function function, LibraryBinding::Address f, Arguments &a)
{
    switch (function) {
    case Function::InitializeComm:
        return as<decltype(::InitializeComm)>(f)(a.n(0), a.n(1));
    case Function::radio_set_baudrate:
        return as<decltype(::radio_set_baudrate)>(f)(a.n(0));
    case Function::radio_init:
        return as<decltype(::radio_init)>(f)(a.n(0), a.n(1), a.n(2), a.n(3));
    case Function::radio_close:
        return as<decltype(::radio_close)>(f)();
    case Function::TerminateComm:
        return as<decltype(::TerminateComm)>(f)(a.n(0));
    case Function::Get_Message:
        return as<decltype(::Get_Message)>(f)(a.o(0), a.n(1), a.n(2), a.t(3));
    case Function::GetStringFromPtr:
        return as<decltype(::GetStringFromPtr)>(f)(a.t(0), a.n(1), a.n(2));
    case Function::Send_Message:
        return as<decltype(::Send_Message)>(f)(a.t(0), a.t(1), a.n(2), a.n(3));
    case Function::radio_recv4:
        return as<decltype(::radio_recv4)>(f)(a.o(0), a.o(1), a.o(2), a.o(3), a.o(4), a.o(5),
            a.o(6), a.o(7), a.o(8), a.o(9), a.a(10), a.a(11), a.t(12), a.t(13));
    case Function::radio_message_conf_laser:
        return as<decltype(::radio_message_conf_laser)>(f)(a.n(0), a.t(1));
    case Function::xml_reset:
        return as<decltype(::xml_reset)>(f)();
    case Function::xml_position_inside_tag:
        return as<decltype(::xml_position_inside_tag)>(f)(a.t(0));
    case Function::xml_write_tag:
        return as<decltype(::xml_write_tag)>(f)(a.t(0), a.t(1));
    case Function::xml_remove_tag:
        return as<decltype(::xml_remove_tag)>(f)(a.t(0));
    }
    return 0;
}

Answer failure(Status status, const std::string &library, const std::string &reason)
{
    Answer answer;
    answer.status = status;
    answer.library = library;
    answer.reason = reason;
    return answer;
}

Answer serve(LibraryBinding &library, Call &call)
{
    const char *name = signature(call.function).name;
    if (!library.load())
        return failure(Status::LibraryMissing, library.library(), library.reason());
    const LibraryBinding::Address address = library.resolve(name);
    if (!address)
        return failure(Status::FunctionMissing, library.library(), library.reason());

    Arguments arguments(call);
    Answer answer;
    answer.result = invoke(call.function, address, arguments);
    arguments.takeTextsBack();
    answer.arguments = std::move(call.arguments);
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
    send(encodeAnswer(Function::InitializeComm, failure(Status::BadRequest, {}, reason)));
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
    LibraryBinding library(argc > 1 ? argv[1] : defaultLibraryName, ownFolder(argv[0]));

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
        const Answer answer
            = problem.empty() ? serve(library, call) : failure(Status::BadRequest, {}, problem);
        if (!send(encodeAnswer(call.function, answer)))
            return exitBadStream;
    }
}
