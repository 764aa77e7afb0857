#pragma once

// The link bridge's protocol: how the tool hands one library call (a
// LinkCall::Call) to the bridge program over its standard input and gets the
// answer back on its standard output. Plain C++17 without Qt, so that any
// 32-bit Windows compiler builds the bridge. Written down in
// docs/bridge-protocol.md.

#include "linkcall.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace BridgeProtocol {

using LinkCall::Answer;
using LinkCall::Call;
using LinkCall::Function;

// Every message is a 32-bit little-endian body length, then the body.
constexpr std::size_t lengthPrefixSize = 4;
// The largest text the tool hands over is a buffer of 100000 bytes for a
// fetched message; the bound leaves room for the rest of a call and refuses
// anything absurd.
constexpr std::uint32_t maxRequestBodySize = 256 * 1024 - 4;
// An answer carries back what its request carried, plus the result: 4 bytes,
// or a text of at most LinkCall::maxTextResultSize with its 4-byte count.
constexpr std::uint32_t maxBodySize
    = maxRequestBodySize + 4 + std::uint32_t(LinkCall::maxTextResultSize);

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
