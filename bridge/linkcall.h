#pragma once

// The link library's calls, described once for every way the tool reaches the
// library: the table of its functions, a Call (a function and its argument
// values), the Answer it gets, and the one code that makes a Call with the
// ABI's types. The tool builds Calls; a transport carries each one to the
// process that holds the library (the tool's own, or the link bridge), where
// serve() (librarybinding.h) makes it. Plain C++17 without Qt, so that a
// 32-bit Windows compiler builds the bridge. wendalink.h stays the ABI's
// truth: linkcall.cpp checks every row of the table against its declaration.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

namespace LinkCall {

// What one argument or result of a library function is.
enum class Kind : char {
    Number = 'n', // 32-bit value, in only
    Out = 'o', // the address of the caller's 32-bit variable: its value goes in and comes back
    Text = 't', // an 8-bit text the library may overwrite within its length: goes in, comes back
    Array = 'a', // the address of element 0 of 101 integers: go in, come back
    // A Number that tells the library how many bytes of the function's first
    // text to read: it is handed no more than that text holds.
    Count = 'c',
    // A Text holding a list of 5-byte records, which the library reads up to
    // a record that begins with a zero byte: it is handed the whole records
    // only, so that it never reads on into the zero bytes after them.
    List = 'l',
};
constexpr std::size_t receiveArraySize = 101;
constexpr std::size_t listRecordSize = 5;
constexpr int noArgument = -1;
// A Text result is taken at most this long; the longest message the tool
// fetches is 100000 bytes.
constexpr std::int32_t maxTextResultSize = 128 * 1024;

// How long a caller in another process waits for a call: the calls made on
// each tick of the polling timer are bounded, so that a hang is told apart
// from a slow answer; the start-up, re-open and store calls wait as long as
// the library takes, as they would in-process.
enum class Pace : char { PerTick, MayTakeLong };

// Every function of the library, in the order of its header: its name, one
// Kind per argument in the library's order, the Kind of its result, for a
// Text result the argument that bounds its length, and its Pace. A Text
// result is a new string the caller releases; when it is null, the first text
// argument as the library left it stands in for it.
#define LINKCALL_FUNCTIONS(X)                                                                      \
    X(InitializeComm, "nn", Number, noArgument, MayTakeLong)                                       \
    X(radio_set_baudrate, "n", Number, noArgument, MayTakeLong)                                    \
    X(radio_init, "nnnn", Number, noArgument, MayTakeLong)                                         \
    X(radio_close, "", Number, noArgument, MayTakeLong)                                            \
    X(TerminateComm, "n", Number, noArgument, MayTakeLong)                                         \
    X(Get_Message, "onnt", Number, noArgument, PerTick)                                            \
    X(GetStringFromPtr, "tnn", Text, 2, PerTick)                                                   \
    X(Send_Message, "ttcn", Number, noArgument, PerTick)                                           \
    X(radio_recv4, "ooooooooooaatt", Number, noArgument, PerTick)                                  \
    X(radio_message_conf_laser, "nl", Number, noArgument, PerTick)                                 \
    X(xml_reset, "", Number, noArgument, MayTakeLong)                                              \
    X(xml_position_inside_tag, "t", Number, noArgument, MayTakeLong)                               \
    X(xml_write_tag, "tt", Number, noArgument, MayTakeLong)                                        \
    X(xml_remove_tag, "t", Number, noArgument, MayTakeLong)

enum class Function : std::uint8_t {
#define LINKCALL_ENUMERATOR(name, kinds, result, resultLength, pace) name,
    LINKCALL_FUNCTIONS(LINKCALL_ENUMERATOR)
#undef LINKCALL_ENUMERATOR
};

struct Signature
{
    const char *name;
    const char *kinds; // one Kind per argument
    Kind result; // Number or Text
    int resultLength; // the argument that bounds a Text result
    Pace pace;
};

constexpr Signature functions[] = {
#define LINKCALL_SIGNATURE(name, kinds, result, resultLength, pace)                                \
    {#name, kinds, Kind::result, resultLength, Pace::pace},
    LINKCALL_FUNCTIONS(LINKCALL_SIGNATURE)
#undef LINKCALL_SIGNATURE
};
constexpr std::uint8_t functionCount = std::uint8_t(std::size(functions));

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
    Done, // the function ran: its result, and every out, text and array as it left them
    LibraryMissing, // not found beside the program that loads it, nor on the search path
    FunctionMissing,
    BadRequest, // the bridge could not read the request
    LibraryWrongKind, // a file that is no library this program can load
    LibraryNotLoaded, // found, of the right kind, but it would not load
};
constexpr std::uint8_t statusCount = 6;

struct Answer
{
    Status status = Status::Done;
    std::int32_t result = 0; // a Number result
    std::string text; // a Text result
    // Done: one Value per argument; its outs, texts and arrays as the call left
    // them (numbers do not come back).
    std::vector<Value> arguments;
    // Otherwise: the library concerned (the file looked for or found) and why
    // (for a missing library: the path of the program it belongs beside), in
    // the system's 8-bit encoding.
    std::string library;
    std::string reason;
};

const Signature &signature(Function function);
// A Call with every argument in place: numbers 0, texts empty, arrays of 101 zeros.
Call emptyCall(Function function);

// Any function address, stored in one type until it is called.
using Address = void (*)();
// Calls `address`, the library's call.function, with the call's arguments:
// each text as a NUL-terminated copy, each out and array by address. The
// answer holds the result and every argument as the library left it; a text
// comes back at its length. A Text result is read here and released the
// platform's way (SysFreeString on Windows, free() elsewhere).
Answer invoke(Address address, Call call);

} // namespace LinkCall
