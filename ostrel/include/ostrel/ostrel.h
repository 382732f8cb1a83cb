/*
 * Ostrel: communication with Zenvar alarm terminals over UDP and serial lines.
 *
 * Plain C interface. One context per running communication session: Init_Ostrel creates it and
 * starts its worker thread, Start_Ostrel opens ports, the Cmd_ functions queue commands for a
 * terminal, the table functions read and set what is known about terminals, Quit_Ostrel ends it.
 *
 * Port numbers in commands, queries and callbacks: 1 to 10 are COM1 to COM10, 11 is the UDP port.
 * Byte-valued arguments (addresses, codes, zone numbers) are passed as 32-bit values; only their
 * low 8 bits count. A command's true result means "queued", not "delivered".
 */
#ifndef OSTREL_OSTREL_H
#define OSTREL_OSTREL_H

#include <stdbool.h>
#include <stdint.h>

#if defined(__GNUC__)
#define OSTREL_API __attribute__((visibility("default")))
#else
#define OSTREL_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OstrelContext OstrelContext;

/*
 * Callbacks into the caller, eight slots in this order. Any slot may be null. Every callback runs
 * on the context's worker thread and receives the user value given to Init_Ostrel first. Buffers
 * passed to a callback belong to the library and are valid only during the call.
 */
typedef struct OstrelCallbacks {
    /* slot 0: a terminal report of type 1 to 4 arrived */
    void (*onReport)(void* userValue, int32_t port, int32_t addressA, int32_t addressB, int32_t reportCode,
                     const unsigned char* reportBuffer);
    /* slots 1 and 2: never called */
    void (*reserved1)(void* userValue);
    void (*reserved2)(void* userValue);
    /* slot 3: terminal states changed; a hint to refresh views */
    void (*onRefresh)(void* userValue);
    /* slot 4: never called */
    void (*reserved4)(void* userValue);
    /* slot 5: a queued command got no reply within the retry limit */
    void (*onSendFailed)(void* userValue, int32_t port, int32_t addressA, int32_t addressB,
                         int32_t commandCode, const char* text);
    /* slot 6: a terminal event (on line, off line, status and zone changes; event codes 0 to 16) */
    void (*onTerminalEvent)(void* userValue, int32_t port, int32_t addressA, int32_t addressB, int32_t index,
                            int32_t eventCode, const char* text);
    /* slot 7: the network closed the UDP socket; text is "PC dropped." */
    void (*onConnectionLost)(void* userValue, const char* text);
} OstrelCallbacks;

/* ---- Library management ---- */

/* Creates a context whose worker thread is ready; null when callbacks is null or creation fails.
 * The callbacks table must outlive the context. */
OSTREL_API OstrelContext* Init_Ostrel(void* userValue, const OstrelCallbacks* callbacks);

/* Opens COMn for portNumber 1 to 10 (9600 baud), otherwise binds the UDP port portNumber (low 16 bits;
 * 0 lets the system choose). Stores reply time-out and retry limit for the whole context. */
OSTREL_API bool Start_Ostrel(OstrelContext* context, int32_t portNumber, int32_t replyTimeout,
                             int32_t retryLimit);

/* Forwards every zone alarm as a 5-byte datagram to host:port. The host must be a dotted IPv4
 * address of at most 31 characters; anything else is refused with false. */
OSTREL_API bool Start_Translib(OstrelContext* context, const char* forwardHost, int32_t unused,
                               int32_t forwardPort);

/* Stops the send pump and closes the UDP socket; returns 0 when the socket closed, -1 otherwise. */
OSTREL_API int32_t Stop_Ostrel(OstrelContext* context);

/* Ends the context: closes the UDP socket, stops the worker thread, frees everything.
 * Serial ports stay open for a later context. It waits for the worker thread, so it must not be called
 * from a callback (which runs on that thread). */
OSTREL_API void Quit_Ostrel(OstrelContext* context);

/* ---- Terminal table ---- */

OSTREL_API uint8_t GetTerminalState(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                                    int32_t* state);
OSTREL_API uint8_t GetAlarmState(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                                 int32_t zone, int32_t* zoneState);
/* addressText must hold at least 16 bytes */
OSTREL_API void GetTerminalProperty(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                                    int32_t* timeout, int32_t* udpPort, char* addressText);
OSTREL_API void SetTerminalProperty(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                                    int32_t timeout, int32_t unused1, int32_t unused2);

/* ---- Commands: each queues one frame for the terminal (port, addressA, addressB) ---- */

OSTREL_API bool Cmd_TerminalControl_Send(OstrelContext* context, int32_t port, int32_t addressA,
                                         int32_t addressB, int32_t headerWord, const char* password,
                                         int32_t action, int32_t zone);
OSTREL_API bool Cmd_SingleOutput_Send(OstrelContext* context, int32_t port, int32_t addressA,
                                      int32_t addressB, int32_t headerWord, int32_t output,
                                      int32_t outputState, int32_t thirdValue);
OSTREL_API bool Cmd_SingleLight_Send(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                                     int32_t headerWord, int32_t lamp, int32_t lampState);
OSTREL_API bool Cmd_BuzzerControl_Send(OstrelContext* context, int32_t port, int32_t addressA,
                                       int32_t addressB, int32_t headerWord, int32_t totalTime,
                                       int32_t soundingTime, int32_t pauseTime);
OSTREL_API bool Cmd_LCDdisplay_Send(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                                    int32_t headerWord, int32_t argument, const char* text);
OSTREL_API bool Cmd_LCDcleans_Send(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                                   int32_t headerWord);
OSTREL_API bool Cmd_Message_Send(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                                 int32_t headerWord, const char* text);
/* bitMap holds at least ceil(count / 8) bytes */
OSTREL_API bool Cmd_One_Equiment_All_Output(OstrelContext* context, int32_t port, int32_t addressA,
                                            int32_t addressB, int32_t headerWord, int32_t count,
                                            const unsigned char* bitMap);
/* dateTime: fields separated by any of "- :", for example "10-09-27 08:05:00" */
OSTREL_API bool Cmd_SetupTime_Send(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                                   int32_t headerWord, const char* dateTime);
OSTREL_API bool Cmd_ConfigName_Terminal(OstrelContext* context, int32_t port, int32_t addressA,
                                        int32_t addressB, int32_t headerWord, const char* password,
                                        int32_t selector, const char* name);
/* mode: 0 text, 1 decimal digits, 2 dotted address, 3 hex digits */
OSTREL_API bool Cmd_ConfigFuncation_Terminal(OstrelContext* context, int32_t port, int32_t addressA,
                                             int32_t addressB, int32_t headerWord, const char* password,
                                             int32_t firstByte, int32_t secondByte, const char* data,
                                             int32_t mode);
OSTREL_API bool Cmd_One_Equiment_Powerup(OstrelContext* context, int32_t port, int32_t addressA,
                                         int32_t addressB, int32_t headerWord);

#ifdef __cplusplus
}
#endif

#endif /* OSTREL_OSTREL_H */
