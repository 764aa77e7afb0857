// A small library with the link library's functions, built only for the
// loader's tests: it echoes what it was given so that a test can see how the
// loader passes numbers and texts, and fills texts the way the real one does.
#include "wendalink.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {
std::string journal;

void note(const char *what, const char *bytes, size_t length)
{
    journal += what;
    char hex[3];
    for (size_t i = 0; i < length; ++i) {
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(bytes[i]));
        journal += hex;
    }
    journal += ';';
}

// Writes `text` into a caller's buffer without going past what it holds.
void fill(char *buffer, const char *text)
{
    const size_t room = std::strlen(buffer);
    std::memcpy(buffer, text, std::min(room, std::strlen(text)));
}
} // namespace

extern "C" {

WENDALINK_API const char *probe_journal()
{
    return journal.c_str();
}

WENDALINK_API int32_t WENDALINK_CALL InitializeComm(int32_t port, int32_t baud)
{
    return port + baud;
}
WENDALINK_API int32_t WENDALINK_CALL radio_set_baudrate(int32_t baud)
{
    return baud;
}
#ifndef PROBE_WITHOUT_RADIO_INIT
WENDALINK_API int32_t WENDALINK_CALL radio_init(
    int32_t port, int32_t channel, int32_t mask, int32_t flags)
{
    return port * 1000000 + channel * 100000 + mask + flags;
}
#endif
WENDALINK_API int32_t WENDALINK_CALL radio_close(void)
{
    return 0;
}
WENDALINK_API int32_t WENDALINK_CALL TerminateComm(int32_t port)
{
    return port;
}
WENDALINK_API int32_t WENDALINK_CALL Get_Message(
    int32_t *message, int32_t max_length, int32_t flags, char *sender)
{
    *message = max_length + flags + 42;
    fill(sender, "ABCDEFGHIJ");
    return 11;
}
WENDALINK_API int32_t WENDALINK_CALL GetStringFromPtr(char *text, int32_t, int32_t)
{
    fill(text, "LASER RESET\xe9");
    return 0;
}
WENDALINK_API int32_t WENDALINK_CALL Send_Message(
    char *data, char *destination, int32_t length, int32_t kind)
{
    note("data=", data, size_t(length));
    note("to=", destination, std::strlen(destination));
    return kind;
}
WENDALINK_API int32_t WENDALINK_CALL radio_recv4(int32_t *status, int32_t *terminal, int32_t *,
    int32_t *, int32_t *, int32_t *, int32_t *, int32_t *, int32_t *, int32_t *out10,
    int32_t *array1, int32_t *array2, char *text1, char *)
{
    *status = 1;
    *terminal = 3;
    *out10 = 10;
    array1[100] = 5;
    array2[0] = 6;
    fill(text1, "T1");
    return 0;
}
WENDALINK_API int32_t WENDALINK_CALL radio_message_conf_laser(int32_t terminal, char *list)
{
    size_t length = 0;
    while (list[length] != 0)
        length += 5;
    note(terminal == 3 ? "conf3=" : "conf?=", list, length + 1);
    return 0;
}
WENDALINK_API int32_t WENDALINK_CALL xml_reset(void)
{
    return 0;
}
WENDALINK_API int32_t WENDALINK_CALL xml_position_inside_tag(char *name)
{
    note("position=", name, std::strlen(name));
    return 0;
}
WENDALINK_API int32_t WENDALINK_CALL xml_write_tag(char *name, char *value)
{
    note("write=", name, std::strlen(name));
    note("value=", value, 6);
    return 0;
}
WENDALINK_API int32_t WENDALINK_CALL xml_remove_tag(char *name)
{
    note("remove=", name, std::strlen(name));
    return 0;
}
}
