// A link library that lacks most functions, built only for the loader's tests:
// the loader must report a missing function once and carry on with the others.
#include "wendalink.h"

extern "C" {

WENDALINK_API int32_t WENDALINK_CALL InitializeComm(int32_t port, int32_t baud)
{
    return port + baud;
}

WENDALINK_API int32_t WENDALINK_CALL TerminateComm(int32_t port)
{
    return port;
}
}
