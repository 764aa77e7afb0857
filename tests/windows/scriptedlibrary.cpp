// A link library for Windows that plays the terminals, so that the installed
// tool can do a whole job under Wine without a serial line. Two files drive it:
//
// - WENDALINK_SCRIPT: the test appends the simulator's own commands,
//   `request [TERMINAL [TEXT...]]` (TERMINAL 1 and TEXT "LASER RESET" by
//   default). Each Get_Message or radio_recv4 delivers the next complete line
//   not yet delivered; lines that are not requests are passed over.
// - WENDALINK_REPLIES: every list the tool sends is appended as the simulator
//   reports it, `config N HEX`, so the same checks read both; the opening and
//   closing calls are appended too, as `call NAME ARGUMENTS...`.
//
// radio_init answers 0 (base station found) unless WENDALINK_MODE=serial. In
// serial mode a terminal sends as "TERM" and its number in four digits, and a
// list sent to such an identifier is reported under that number.
//
// Exported under the plain names through a .def file; stdcall on 32-bit
// Windows, as the real library.
#define WENDALINK_API // exported by name: the .def file

#include "wendalink.h"

#include <windows.h>

#include <oleauto.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <sstream>
#include <string>

namespace {

constexpr int32_t success = 0;
constexpr int32_t nothingArrived = 1;
constexpr int32_t noBaseStation = 1;
constexpr int32_t defaultTerminal = 1;
const char *const defaultText = "LASER RESET";
const char *const serialMode = "serial";
const char *const senderPrefix = "TERM";
constexpr int senderDigits = 4;
constexpr std::size_t recordSize = 5;
constexpr std::size_t mostRecords = 1000; // records; far beyond any list the tool builds

struct Request
{
    int32_t terminal = defaultTerminal;
    std::string text = defaultText;
};

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

void report(const std::string &line)
{
    const std::string path = environment("WENDALINK_REPLIES");
    if (path.empty())
        return;
    // Opened for each line, so that the test reads it as soon as it is written.
    if (FILE *file = std::fopen(path.c_str(), "ab")) {
        std::fputs((line + '\n').c_str(), file);
        std::fclose(file);
    }
}

template<typename... Numbers>
void reportCall(const char *name, Numbers... numbers)
{
    std::string line = std::string("call ") + name;
    ((line += ' ' + std::to_string(numbers)), ...);
    report(line);
}

std::string hex(const char *bytes, std::size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text += digits[byte >> 4];
        text += digits[byte & 0xF];
    }
    return text;
}

void reportList(int32_t terminal, const char *list, std::size_t size)
{
    report("config " + std::to_string(terminal) + ' ' + hex(list, size));
}

std::optional<Request> parseRequest(const std::string &line)
{
    std::istringstream words(line);
    std::string command;
    if (!(words >> command) || command != "request")
        return std::nullopt;
    Request request;
    std::string terminal;
    if (words >> terminal)
        request.terminal = int32_t(std::strtol(terminal.c_str(), nullptr, 10));
    std::string text;
    if (std::getline(words >> std::ws, text) && !text.empty())
        request.text = text;
    return request;
}

// How far the script has been delivered, in bytes.
long scriptDelivered = 0;

std::optional<Request> nextRequest()
{
    FILE *script = std::fopen(environment("WENDALINK_SCRIPT").c_str(), "rb");
    if (!script)
        return std::nullopt;
    std::optional<Request> request;
    std::fseek(script, scriptDelivered, SEEK_SET);
    std::string line;
    for (int c; !request && (c = std::fgetc(script)) != EOF;) {
        if (c != '\n') {
            line += char(c);
            continue;
        }
        // A line counts once it is complete: the test may be writing it.
        scriptDelivered = std::ftell(script);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        request = parseRequest(line);
        line.clear();
    }
    std::fclose(script);
    return request;
}

std::string senderId(int32_t terminal)
{
    char id[16];
    std::snprintf(id, sizeof id, "%s%0*d", senderPrefix, senderDigits, int(terminal));
    return id;
}

int32_t terminalOf(const char *id)
{
    const std::size_t prefixLength = std::strlen(senderPrefix);
    if (std::strncmp(id, senderPrefix, prefixLength) != 0)
        return 0;
    return int32_t(std::strtol(id + prefixLength, nullptr, 10));
}

// Fills a text of the caller's at most as far as it already reaches.
void fill(char *text, const std::string &value)
{
    const std::size_t room = std::strlen(text);
    std::memcpy(text, value.data(), value.size() < room ? value.size() : room);
}

// Messages fetched by Get_Message and not yet taken by GetStringFromPtr.
std::map<int32_t, std::string> pendingMessages;
int32_t lastHandle = 0;

} // namespace

extern "C" {

int32_t WENDALINK_CALL InitializeComm(int32_t port, int32_t baud)
{
    reportCall("InitializeComm", port, baud);
    return success;
}

int32_t WENDALINK_CALL radio_set_baudrate(int32_t baud)
{
    reportCall("radio_set_baudrate", baud);
    return success;
}

int32_t WENDALINK_CALL radio_init(int32_t port, int32_t channel, int32_t mask, int32_t flags)
{
    reportCall("radio_init", port, channel, mask, flags);
    return environment("WENDALINK_MODE") == serialMode ? noBaseStation : success;
}

int32_t WENDALINK_CALL radio_close(void)
{
    reportCall("radio_close");
    return success;
}

int32_t WENDALINK_CALL TerminateComm(int32_t port)
{
    reportCall("TerminateComm", port);
    return success;
}

int32_t WENDALINK_CALL Get_Message(int32_t *message, int32_t maxLength, int32_t, char *sender)
{
    std::optional<Request> request = nextRequest();
    if (!request)
        return 0;
    if (maxLength >= 0 && request->text.size() > std::size_t(maxLength))
        request->text.resize(std::size_t(maxLength));
    *message = ++lastHandle;
    pendingMessages[lastHandle] = request->text;
    fill(sender, senderId(request->terminal));
    return int32_t(request->text.size());
}

char *WENDALINK_CALL GetStringFromPtr(char *, int32_t message, int32_t length)
{
    const auto pending = pendingMessages.find(message);
    std::string text = pending == pendingMessages.end() ? std::string() : pending->second;
    if (pending != pendingMessages.end())
        pendingMessages.erase(pending);
    if (length >= 0 && text.size() > std::size_t(length))
        text.resize(std::size_t(length));
    return reinterpret_cast<char *>(SysAllocStringByteLen(text.data(), UINT(text.size())));
}

int32_t WENDALINK_CALL Send_Message(char *data, char *destination, int32_t length, int32_t)
{
    reportList(terminalOf(destination), data, length > 0 ? std::size_t(length) : 0);
    return success;
}

int32_t WENDALINK_CALL radio_recv4(int32_t *, int32_t *terminal, int32_t *, int32_t *, int32_t *,
    int32_t *, int32_t *, int32_t *, int32_t *, int32_t *, int32_t *, int32_t *, char *text1,
    char *)
{
    const std::optional<Request> request = nextRequest();
    if (!request)
        return nothingArrived;
    *terminal = request->terminal;
    fill(text1, request->text);
    return success;
}

int32_t WENDALINK_CALL radio_message_conf_laser(int32_t terminal, char *list)
{
    // No length: the list ends at the first record that begins with a zero byte.
    std::size_t records = 0;
    while (records < mostRecords && list[records * recordSize] != 0)
        ++records;
    reportList(terminal, list, records * recordSize);
    return success;
}

int32_t WENDALINK_CALL xml_reset(void)
{
    report("call xml_reset");
    return success;
}

int32_t WENDALINK_CALL xml_position_inside_tag(char *name)
{
    report(std::string("call xml_position_inside_tag ") + name);
    return success;
}

int32_t WENDALINK_CALL xml_write_tag(char *name, char *value)
{
    report(std::string("call xml_write_tag ") + name + ' ' + value);
    return success;
}

int32_t WENDALINK_CALL xml_remove_tag(char *name)
{
    report(std::string("call xml_remove_tag ") + name);
    return success;
}

} // extern "C"
