// A link library that makes every argument visible in what comes back, so that
// a call made through the bridge can be compared with the same call made
// in-process: each result mixes the function's numbers, out values and text
// lengths in order; outs come back as 2 * in + 1, texts reversed, arrays with
// each element raised by its index. Get_Message announces "LASER RESET" and
// puts its mix in the handle; GetStringFromPtr returns that text followed by
// its mix, never what it leaves in its first argument. Built natively and, for
// Wine, as a DLL whose .def file exports the functions under their plain names.
// RECORDING_PARTIAL leaves radio_init out.
#define WENDALINK_API // exported by name: visibility default, or the .def file
#include "ownedtext.h"
#include "wendalink.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr int32_t receiveArraySize = 101;
constexpr char queuedMessage[] = "LASER RESET";

struct Mix
{
    uint32_t value; // unsigned, so that mixing wraps instead of overflowing
    Mix &operator<<(int32_t number) { return value = value * 31 + uint32_t(number), *this; }
    Mix &operator<<(int32_t *out) { return *this << *out, *out = *out * 2 + 1, *this; }
    Mix &operator<<(char *text)
    {
        const size_t length = std::strlen(text);
        std::reverse(text, text + length);
        return *this << int32_t(length);
    }
    operator int32_t() const { return int32_t(value); }
};

int32_t raised(int32_t *array)
{
    for (int32_t i = 0; i < receiveArraySize; ++i)
        array[i] += i;
    return array[0] + array[receiveArraySize - 1];
}

} // namespace

// One exported function that mixes its arguments in order.
#define RECORD(name, id, parameters, arguments)                                                    \
    int32_t WENDALINK_CALL name parameters                                                         \
    {                                                                                              \
        return Mix {id} arguments;                                                                 \
    }

extern "C" {
RECORD(InitializeComm, 1, (int32_t a, int32_t b), << a << b)
RECORD(radio_set_baudrate, 2, (int32_t a), << a)
#ifndef RECORDING_PARTIAL
RECORD(radio_init, 3, (int32_t a, int32_t b, int32_t c, int32_t d), << a << b << c << d)
#endif
RECORD(radio_close, 4, (), )
RECORD(TerminateComm, 5, (int32_t a), << a)

int32_t WENDALINK_CALL Get_Message(int32_t *message, int32_t a, int32_t b, char *sender)
{
    *message = Mix {6} << *message << a << b << sender;
    return int32_t(std::strlen(queuedMessage));
}

// A negative length gives no text: the caller falls back to its first argument.
char *WENDALINK_CALL GetStringFromPtr(char *text, int32_t message, int32_t length)
{
    const int32_t mix = Mix {7} << text << message << length;
    if (length < 0)
        return nullptr;
    const std::string result = queuedMessage + (" " + std::to_string(mix));
    return newOwnedText(result.data(), std::min(result.size(), size_t(length)));
}

RECORD(Send_Message, 8, (char *data, char *to, int32_t a, int32_t b), << data << to << a << b)
RECORD(radio_recv4, 9,
    (int32_t * o1, int32_t *o2, int32_t *o3, int32_t *o4, int32_t *o5, int32_t *o6, int32_t *o7,
        int32_t *o8, int32_t *o9, int32_t *o10, int32_t *array1, int32_t *array2, char *text1,
        char *text2),
    << o1 << o2 << o3 << o4 << o5 << o6 << o7 << o8 << o9 << o10 << raised(array1) << raised(array2)
    << text1 << text2)
RECORD(radio_message_conf_laser, 10, (int32_t terminal, char *list), << terminal << list)
RECORD(xml_reset, 11, (), )
RECORD(xml_position_inside_tag, 12, (char *name), << name)
RECORD(xml_write_tag, 13, (char *name, char *value), << name << value)
RECORD(xml_remove_tag, 14, (char *name), << name)
}
