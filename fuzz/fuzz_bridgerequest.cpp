// The link bridge's request decoder on arbitrary bodies, as the bridge hands
// it what followed a length prefix. A body it accepts must encode back to
// itself, and the answer the bridge would send for it must decode to the same
// result, outs, texts and arrays: nothing may be lost or shifted between the
// two ends.

#include "bridgeprotocol.h"
#include "fuzzcheck.h"

#include <string>
#include <string_view>

using namespace BridgeProtocol;
using namespace LinkCall;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view body(reinterpret_cast<const char *>(data), size);
    Call call;
    const std::string problem = decodeRequest(body, call);
    if (!problem.empty())
        return 0;

    const std::string encoded = encodeRequest(call);
    std::string buffer = encoded, again;
    fuzzCheck(takeMessage(buffer, again) == Take::Taken && buffer.empty() && again == body,
        "an accepted request encodes back to the same body, whole");

    Answer answer;
    answer.result = int32_t(size);
    answer.text = std::string(body.substr(0, size / 2)); // taken for a Text result only
    answer.arguments = call.arguments;
    std::string message = encodeAnswer(call.function, answer), answerBody;
    fuzzCheck(takeMessage(message, answerBody) == Take::Taken, "an answer fits one message");
    Answer decoded;
    fuzzCheck(decodeAnswer(answerBody, call.function, decoded).empty(), "an answer decodes");
    const bool textResult = signature(call.function).result == Kind::Text;
    fuzzCheck(textResult ? decoded.text == answer.text : decoded.result == answer.result,
        "the result comes back");
    const char *kinds = signature(call.function).kinds;
    for (size_t i = 0; kinds[i]; ++i) {
        if (Kind(kinds[i]) != Kind::Number && Kind(kinds[i]) != Kind::Count)
            fuzzCheck(decoded.arguments[i] == call.arguments[i], "every out value comes back");
    }
    return 0;
}
