// The tool's side of the link bridge on an arbitrary answer stream: the first
// byte picks the call that was made, the rest is what the bridge wrote, fed in
// pieces as a pipe hands it over. Each whole message must either be refused
// with a reason or decode to an answer that encodes back to the same bytes; an
// announced length over the bound must be refused before anything is read.

#include "bridgeprotocol.h"
#include "fuzzcheck.h"

#include <algorithm>
#include <string>

using namespace BridgeProtocol;
using LinkCall::functionCount;

namespace {

constexpr size_t pieceSize = 7;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const auto function = Function(data[0] % functionCount);
    const std::string stream(reinterpret_cast<const char *>(data) + 1, size - 1);

    std::string buffer, body;
    for (size_t position = 0; position < stream.size();) {
        const size_t piece = std::min(pieceSize, stream.size() - position);
        buffer.append(stream, position, piece);
        position += piece;
        for (;;) {
            const std::string before = buffer;
            const Take take = takeMessage(buffer, body);
            if (take == Take::TooLong) {
                fuzzCheck(
                    bodyLength(before.data()) > maxBodySize, "only an oversized length is refused");
                return 0; // the tool ends the connection here
            }
            if (take == Take::Incomplete) {
                fuzzCheck(buffer == before, "an incomplete message is left as it is");
                break;
            }
            fuzzCheck(before.size() == lengthPrefixSize + body.size() + buffer.size()
                    && before.compare(lengthPrefixSize, body.size(), body) == 0,
                "a message is taken whole from the front");
            Answer answer;
            if (!decodeAnswer(body, function, answer).empty())
                return 0; // the tool ends the connection here
            const std::string encoded = encodeAnswer(function, answer);
            fuzzCheck(encoded.compare(lengthPrefixSize, std::string::npos, body) == 0,
                "an accepted answer encodes back to the same body");
        }
    }
    return 0;
}
