#include "linkcall.h"

#include "wendalink.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>

#if defined(_WIN32)
#include <windows.h>

#include <oleauto.h>
#endif

namespace LinkCall {

namespace {

// Zero bytes after each text: its terminator, and the closing record of a
// list, which is handed over as whole records.
constexpr std::size_t textPadding = 8;

template<typename Parameter>
constexpr bool fits(char kind)
{
    if constexpr (std::is_same_v<Parameter, std::int32_t>)
        return Kind(kind) == Kind::Number || Kind(kind) == Kind::Count;
    else if constexpr (std::is_same_v<Parameter, std::int32_t *>)
        return Kind(kind) == Kind::Out || Kind(kind) == Kind::Array;
    else if constexpr (std::is_same_v<Parameter, char *>)
        return Kind(kind) == Kind::Text || Kind(kind) == Kind::List;
    else
        return false;
}

constexpr std::size_t length(const char *text)
{
    std::size_t size = 0;
    while (text[size] != '\0')
        ++size;
    return size;
}

constexpr bool has(const char *kinds, Kind kind)
{
    for (; *kinds; ++kinds) {
        if (Kind(*kinds) == kind)
            return true;
    }
    return false;
}

template<typename... Parameters, std::size_t... I>
constexpr bool argumentsFit(const char *kinds, std::index_sequence<I...>)
{
    return (fits<Parameters>(kinds[I]) && ...);
}

// Whether `row` describes the function its declaration makes a `function` of.
template<typename Result, typename... Parameters>
constexpr bool describes(Result(WENDALINK_CALL *)(Parameters...), const Signature &row)
{
    if (length(row.kinds) != sizeof...(Parameters)
        || !argumentsFit<Parameters...>(row.kinds, std::index_sequence_for<Parameters...>())
        || (has(row.kinds, Kind::Count) && !has(row.kinds, Kind::Text)))
        return false;
    if (row.result != Kind::Text)
        return row.result == Kind::Number && std::is_same_v<Result, std::int32_t>;
    return std::is_same_v<Result, char *> && row.resultLength >= 0
        && std::size_t(row.resultLength) < sizeof...(Parameters)
        && Kind(row.kinds[row.resultLength]) == Kind::Number;
}

#define LINKCALL_CHECK(name, kinds, result, resultLength, pace)                                    \
    static_assert(describes(static_cast<decltype(&::name)>(nullptr),                               \
                      functions[std::size_t(Function::name)]),                                     \
        #name ": the table's row must fit the declaration in wendalink.h");
LINKCALL_FUNCTIONS(LINKCALL_CHECK)
#undef LINKCALL_CHECK

void release(char *owned)
{
#if defined(_WIN32)
    SysFreeString(reinterpret_cast<BSTR>(owned));
#else
    std::free(owned);
#endif
}

// The call's arguments as the library sees them: numbers (a Count no more
// than its text holds), the addresses of out variables and arrays, and
// NUL-terminated copies of the texts (a List cut to whole records).
class Arguments
{
public:
    explicit Arguments(Call &call)
        : m_call(call)
        , m_kinds(signature(call.function).kinds)
    {
        m_texts.resize(call.arguments.size());
        for (std::size_t i = 0; i < call.arguments.size(); ++i) {
            Value &value = call.arguments[i];
            const Kind kind = Kind(m_kinds[i]);
            if (kind == Kind::Array)
                value.array.resize(receiveArraySize); // the library writes all of it
            else if (kind == Kind::List)
                value.text.resize(value.text.size() - value.text.size() % listRecordSize);
            else if (kind == Kind::Count)
                value.number = std::int32_t(std::min<std::int64_t>(
                    value.number, std::int64_t(call.arguments[firstText()].text.size())));
            m_texts[i].assign(value.text.begin(), value.text.end());
            m_texts[i].resize(value.text.size() + textPadding, '\0');
        }
    }

    template<typename Parameter>
    Parameter at(std::size_t i)
    {
        Value &value = m_call.arguments[i];
        if constexpr (std::is_same_v<Parameter, char *>)
            return m_texts[i].data();
        else if constexpr (std::is_pointer_v<Parameter>)
            return Kind(m_kinds[i]) == Kind::Array ? value.array.data() : &value.number;
        else
            return value.number;
    }

    // Text argument `i` as the library left it, at its length.
    std::string textLeft(std::size_t i) const
    {
        return std::string(m_texts[i].data(), m_call.arguments[i].text.size());
    }

    std::size_t firstText() const { return std::size_t(std::strchr(m_kinds, 't') - m_kinds); }

    void takeTextsBack()
    {
        for (std::size_t i = 0; i < m_texts.size(); ++i)
            m_call.arguments[i].text = textLeft(i);
    }

private:
    Call &m_call;
    const char *m_kinds;
    std::vector<std::vector<char>> m_texts;
};

// Reads a text result up to its NUL, at most `bound` bytes, and releases it.
std::string takeOwnedText(char *owned, std::int32_t bound)
{
    const std::size_t most = std::size_t(std::clamp<std::int64_t>(bound, 0, maxTextResultSize));
    const std::string text(owned, std::size_t(std::find(owned, owned + most, '\0') - owned));
    release(owned);
    return text;
}

template<typename Result, typename... Parameters, std::size_t... I>
void invokeWith(Result(WENDALINK_CALL *function)(Parameters...), const Signature &row,
    Arguments &arguments, Answer &answer, std::index_sequence<I...>)
{
    const Result result = function(arguments.at<Parameters>(I)...);
    if constexpr (std::is_same_v<Result, char *>) {
        answer.text = result
            ? takeOwnedText(result, arguments.at<std::int32_t>(std::size_t(row.resultLength)))
            : arguments.textLeft(arguments.firstText());
    } else {
        answer.result = result;
    }
}

template<typename Result, typename... Parameters>
void invokeDeclared(Result(WENDALINK_CALL *function)(Parameters...), const Signature &row,
    Arguments &arguments, Answer &answer)
{
    invokeWith(function, row, arguments, answer, std::index_sequence_for<Parameters...>());
}

template<typename Declared>
void invokeAs(Address address, const Signature &row, Arguments &arguments, Answer &answer)
{
    invokeDeclared(reinterpret_cast<Declared *>(address), row, arguments, answer);
}

using Invoker = void (*)(Address, const Signature &, Arguments &, Answer &);
constexpr Invoker invokers[] = {
#define LINKCALL_INVOKER(name, kinds, result, resultLength, pace) &invokeAs<decltype(::name)>,
    LINKCALL_FUNCTIONS(LINKCALL_INVOKER)
#undef LINKCALL_INVOKER
};

} // namespace

const Signature &signature(Function function)
{
    return functions[std::size_t(function)];
}

Call emptyCall(Function function)
{
    Call call;
    call.function = function;
    for (const char *kind = signature(function).kinds; *kind; ++kind) {
        Value value;
        if (Kind(*kind) == Kind::Array)
            value.array.assign(receiveArraySize, 0);
        call.arguments.push_back(std::move(value));
    }
    return call;
}

Answer invoke(Address address, Call call)
{
    Answer answer;
    call.arguments.resize(length(signature(call.function).kinds)); // none missing, none extra
    Arguments arguments(call);
    invokers[std::size_t(call.function)](address, signature(call.function), arguments, answer);
    arguments.takeTextsBack();
    answer.arguments = std::move(call.arguments);
    return answer;
}

} // namespace LinkCall
