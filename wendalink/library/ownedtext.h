#pragma once

// A text the library hands over for its caller to own (GetStringFromPtr's
// result): on Windows a BSTR holding 8-bit bytes, which the caller releases
// with SysFreeString; elsewhere a malloc'd string, released with free().
// Plain C++, so that the test libraries return their texts the same way.

#include <cstddef>
#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>

#include <oleauto.h>
#endif

// A NUL-terminated copy of `size` bytes, or nullptr when memory ran out.
inline char *newOwnedText(const char *bytes, std::size_t size)
{
#if defined(_WIN32)
    return reinterpret_cast<char *>(SysAllocStringByteLen(bytes, UINT(size)));
#else
    auto *text = static_cast<char *>(std::malloc(size + 1));
    if (text) {
        std::memcpy(text, bytes, size);
        text[size] = '\0';
    }
    return text;
#endif
}
