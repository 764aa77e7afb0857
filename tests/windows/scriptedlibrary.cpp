// A link library for Windows that plays a base station and its terminals, so
// that the installed tool can do a whole job under Wine without a serial line.
// Two files drive it:
//
// - WENDALINK_SCRIPT: the test appends the simulator's own command
//   `request [TERMINAL]` (terminal 1 by default). Each radio_recv4 delivers the
//   next complete line not yet delivered; lines that are not requests are
//   passed over.
// - WENDALINK_REPLIES: every list the tool sends is appended as the simulator
//   reports it, `config N HEX`, so that the same checks read both; each
//   InitializeComm is appended too, as `call InitializeComm PORT BAUD`.
//
// radio_init always finds the base station, so no serial message ever comes.
// Exported under the plain names through a .def file; stdcall on 32-bit
// Windows, as the real library.
#define WENDALINK_API // exported by name: the .def file

#include "wendalink.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int32_t success = 0;
constexpr int32_t nothingArrived = 1;
constexpr int defaultTerminal = 1;
constexpr std::size_t recordSize = 5;
constexpr std::size_t mostRecords = 1000; // records; far beyond any list the tool builds
constexpr int longestLine = 256;

FILE *openNamedBy(const char *variable, const char *mode)
{
    const char *path = std::getenv(variable);
    return path ? std::fopen(path, mode) : nullptr;
}

void report(const std::string &line)
{
    // Opened for each line, so that the test reads it as soon as it is written.
    if (FILE *file = openNamedBy("WENDALINK_REPLIES", "ab")) {
        std::fputs((line + '\n').c_str(), file);
        std::fclose(file);
    }
}

// How far the script has been delivered, in bytes.
long scriptDelivered = 0;

// The terminal of the next request in the script; 0 when there is none yet.
int nextRequest()
{
    FILE *script = openNamedBy("WENDALINK_SCRIPT", "rb");
    if (!script)
        return 0;
    std::fseek(script, scriptDelivered, SEEK_SET);
    int terminal = 0;
    char line[longestLine];
    // A line counts once it is complete: the test may be writing it.
    while (!terminal && std::fgets(line, sizeof line, script) && std::strchr(line, '\n')) {
        scriptDelivered = std::ftell(script);
        char command[longestLine];
        int number = defaultTerminal;
        if (std::sscanf(line, "%255s %d", command, &number) >= 1
            && std::strcmp(command, "request") == 0)
            terminal = number;
    }
    std::fclose(script);
    return terminal;
}

} // namespace

extern "C" {

int32_t WENDALINK_CALL InitializeComm(int32_t port, int32_t baud)
{
    report("call InitializeComm " + std::to_string(port) + ' ' + std::to_string(baud));
    return success;
}

int32_t WENDALINK_CALL radio_set_baudrate(int32_t)
{
    return success;
}
int32_t WENDALINK_CALL radio_init(int32_t, int32_t, int32_t, int32_t)
{
    return success;
}
int32_t WENDALINK_CALL radio_close(void)
{
    return success;
}
int32_t WENDALINK_CALL TerminateComm(int32_t)
{
    return success;
}
int32_t WENDALINK_CALL Get_Message(int32_t *, int32_t, int32_t, char *)
{
    return 0;
}
char *WENDALINK_CALL GetStringFromPtr(char *, int32_t, int32_t)
{
    return nullptr;
}
int32_t WENDALINK_CALL Send_Message(char *, char *, int32_t, int32_t)
{
    return success;
}

int32_t WENDALINK_CALL radio_recv4(int32_t *, int32_t *terminal, int32_t *, int32_t *, int32_t *,
    int32_t *, int32_t *, int32_t *, int32_t *, int32_t *, int32_t *, int32_t *, char *, char *)
{
    const int next = nextRequest();
    if (next == 0)
        return nothingArrived;
    *terminal = next;
    return success;
}

int32_t WENDALINK_CALL radio_message_conf_laser(int32_t terminal, char *list)
{
    // No length: the list ends at the first record that begins with a zero byte.
    std::string line = "config " + std::to_string(terminal) + ' ';
    for (std::size_t record = 0; record < mostRecords && list[record * recordSize] != 0; ++record) {
        for (std::size_t at = 0; at < recordSize; ++at) {
            char digits[3];
            std::snprintf(digits, sizeof digits, "%02x",
                static_cast<unsigned char>(list[record * recordSize + at]));
            line += digits;
        }
    }
    report(line);
    return success;
}

int32_t WENDALINK_CALL xml_reset(void)
{
    return success;
}
int32_t WENDALINK_CALL xml_position_inside_tag(char *)
{
    return success;
}
int32_t WENDALINK_CALL xml_write_tag(char *, char *)
{
    return success;
}
int32_t WENDALINK_CALL xml_remove_tag(char *)
{
    return success;
}

} // extern "C"
