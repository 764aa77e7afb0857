#pragma once

// The link bridge's protocol: how the tool hands one library call to the
// bridge program over its standard input and gets the answer back on its
// standard output. Plain C++17 without Qt, so that any 32-bit Windows compiler
// builds the bridge. Written down in docs/bridge-protocol.md.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace BridgeProtocol {

// Every message is a 32-bit little-endian body length, then the body.
constexpr std::size_t lengthPrefixSize = 4;
// The largest text the tool hands over is a fetched message of 100000 bytes;
// the bound leaves room for the rest of a call and refuses anything absurd.
constexpr std::uint32_t maxBodySize = 256 * 1024;
// An answer is at most 4 bytes longer than its request (the result), so a
// request must leave that room.
constexpr std::uint32_t maxRequestBodySize = maxBodySize - 4;
constexpr std::size_t receiveArraySize = 101;

// What one argument of a library function is, as the protocol carries it.
enum class Kind : char {
    Number = 'n', // 32-bit value, in only
    Out = 'o', // the address of the caller's 32-bit variable: its value goes in and comes back
    Text = 't', // an 8-bit text the library may overwrite within its length: goes in, comes back
    Array = 'a', // the address of element 0 of 101 integers: go in, come back
};

struct Signature
{
    const char *name;
    const char *kinds; // one Kind per argument, in the library's order
};

// The functions in the order of the library's header; a request names one by
// its index here.
constexpr Signature functions[] = {
    {"InitializeComm", "nn"},
    {"radio_set_baudrate", "n"},
    {"radio_init", "nnnn"},
    {"radio_close", ""},
    {"TerminateComm", "n"},
    {"Get_Message", "onnt"},
    {"GetStringFromPtr", "tnn"},
    {"Send_Message", "ttnn"},
    {"radio_recv4", "ooooooooooaatt"},
    {"radio_message_conf_laser", "nt"},
    {"xml_reset", ""},
    {"xml_position_inside_tag", "t"},
    {"xml_write_tag", "tt"},
    {"xml_remove_tag", "t"},
};
constexpr std::uint8_t functionCount = std::uint8_t(std::size(functions));

enum class Function : std::uint8_t {
    InitializeComm,
    radio_set_baudrate,
    radio_init,
    radio_close,
    TerminateComm,
    Get_Message,
    GetStringFromPtr,
    Send_Message,
    radio_recv4,
    radio_message_conf_laser,
    xml_reset,
    xml_position_inside_tag,
    xml_write_tag,
    xml_remove_tag,
};
static_assert(std::uint8_t(Function::xml_remove_tag) + 1 == functionCount,
    "one Function per entry of the table, in its order");

// One argument's value; only the member its Kind names is used.
struct Value
{
    std::int32_t number = 0;
    std::string text;
    std::vector<std::int32_t> array;

    bool operator==(const Value &other) const
    {
        return number == other.number && text == other.text && array == other.array;
    }
};

struct Call
{
    Function function = Function::InitializeComm;
    std::vector<Value> arguments; // one per Kind of the function's signature
};

enum class Status : std::uint8_t {
    Done, // the function ran: result and every out, text and array follow
    LibraryMissing,
    FunctionMissing,
    BadRequest,
};
constexpr std::uint8_t statusCount = 4;

struct Answer
{
    Status status = Status::Done;
    std::int32_t result = 0;
    // Done: one Value per argument; its outs, texts and arrays as the call left
    // them (numbers do not come back).
    std::vector<Value> arguments;
    // Otherwise: the library concerned (its name or file) and why.
    std::string library;
    std::string reason;
};

const Signature &signature(Function function);
// A Call with every argument in place: numbers 0, texts empty, arrays of 101 zeros.
Call emptyCall(Function function);

// Whole messages, length prefix included.
std::string encodeRequest(const Call &call);
std::string encodeAnswer(Function function, const Answer &answer);

// Bodies, length prefix taken off. Each returns an empty text when the body is
// a well-formed message, else what is wrong with it.
std::string decodeRequest(std::string_view body, Call &call);
std::string decodeAnswer(std::string_view body, Function function, Answer &answer);

// Takes the first whole message off the front of `buffer` into `body`.
enum class Take { Incomplete, Taken, TooLong };
Take takeMessage(std::string &buffer, std::string &body);
// The body length a prefix announces.
std::uint32_t bodyLength(const char prefix[lengthPrefixSize]);

} // namespace BridgeProtocol
