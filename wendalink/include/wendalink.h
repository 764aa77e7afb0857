#pragma once

/*
 * The link library's C interface: the functions Pelsado calls to reach the
 * serial port, the radio base station and the shared configuration store.
 *
 * Numbers are 32-bit. Texts are NUL-terminated 8-bit strings in the system's
 * code page; where a function fills a text (a sender identifier, a message),
 * it writes at most as many bytes as the caller's text already holds. A list
 * (Send_Message's data, radio_message_conf_laser's list) is read up to its
 * first 5-byte record that begins with a zero byte, never past Send_Message's
 * length nor past 60 records (300 bytes, one record per option). Every
 * function reports success with 0 unless its comment says otherwise.
 */

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define WENDALINK_CALL __stdcall
#else
#define WENDALINK_CALL
#endif

/* A library that lists its exports in a .def file defines WENDALINK_API empty. */
#if !defined(WENDALINK_API)
#if defined(_WIN32)
#if defined(WENDALINK_BUILDING)
#define WENDALINK_API __declspec(dllexport)
#else
#define WENDALINK_API __declspec(dllimport)
#endif
#else
#define WENDALINK_API __attribute__((visibility("default")))
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Opens serial port `port` at `baud`. Non-zero when the port cannot be opened. */
WENDALINK_API int32_t WENDALINK_CALL InitializeComm(int32_t port, int32_t baud);
WENDALINK_API int32_t WENDALINK_CALL radio_set_baudrate(int32_t baud);
/* Initialises the base station on the open port: 0 when it answers. */
WENDALINK_API int32_t WENDALINK_CALL radio_init(
    int32_t port, int32_t channel, int32_t mask, int32_t flags);
WENDALINK_API int32_t WENDALINK_CALL radio_close(void);
WENDALINK_API int32_t WENDALINK_CALL TerminateComm(int32_t port);

/* Serial message link. Get_Message returns the length of the next queued
 * message (0 when none), writes a handle for it to *message and the sender's
 * 8-character identifier into `sender`. GetStringFromPtr fetches that message
 * and releases the handle. */
WENDALINK_API int32_t WENDALINK_CALL Get_Message(
    int32_t *message, int32_t max_length, int32_t flags, char *sender);
/* Returns the message as a new 8-bit string (at most `length` bytes, NUL-terminated) that the
   caller owns and releases: on Windows with SysFreeString (it is a BSTR), elsewhere with free(). */
WENDALINK_API char *WENDALINK_CALL GetStringFromPtr(char *text, int32_t message, int32_t length);
WENDALINK_API int32_t WENDALINK_CALL Send_Message(
    char *data, char *destination, int32_t length, int32_t kind);

/* Radio link. radio_recv4 returns 0 when a terminal's message arrived; the
 * terminal number goes to *terminal. The two arrays hold 101 integers each,
 * the two texts 14 characters each. */
WENDALINK_API int32_t WENDALINK_CALL radio_recv4(int32_t *status, int32_t *terminal, int32_t *out3,
    int32_t *out4, int32_t *out5, int32_t *out6, int32_t *out7, int32_t *out8, int32_t *out9,
    int32_t *out10, int32_t *array1, int32_t *array2, char *text1, char *text2);
/* Sends a configuration list to a terminal. The list has no length: it ends
 * as every list does (above). */
WENDALINK_API int32_t WENDALINK_CALL radio_message_conf_laser(int32_t terminal, char *list);

/* Shared configuration store. */
WENDALINK_API int32_t WENDALINK_CALL xml_reset(void);
WENDALINK_API int32_t WENDALINK_CALL xml_position_inside_tag(char *name);
WENDALINK_API int32_t WENDALINK_CALL xml_write_tag(char *name, char *value);
WENDALINK_API int32_t WENDALINK_CALL xml_remove_tag(char *name);

#ifdef __cplusplus
}
#endif
