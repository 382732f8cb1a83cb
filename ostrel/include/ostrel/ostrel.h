/*
 * Ostrel: communication with Zenvar alarm terminals over UDP and serial lines.
 *
 * Plain C interface. One context per running communication session: Init_Ostrel creates it and
 * starts its worker thread, Start_Ostrel opens ports, the Cmd_ functions queue commands for a
 * terminal, the table functions read and set what is known about terminals, Quit_Ostrel ends it.
 *
 * Threads: every callback runs on the context's worker thread. The command and table functions may be
 * called from any thread, also from a callback. Start_Ostrel, Start_Translib, Stop_Ostrel and
 * Quit_Ostrel are called from the caller's own threads, never from a callback.
 *
 * Byte-valued arguments (addresses, codes, zone numbers) are passed as 32-bit values; only their
 * low 8 bits count. A command's true result means "queued", not "delivered": what became of a frame
 * shows later, through the outcome callback (SetOutcomeCallback: answered, failed, unreachable or
 * discarded, each frame exactly once, named by the number GetLastQueuedFrame gives right after the call)
 * and, for a frame given up, through onSendFailed.
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

/* ---- Names ---- */

/* Port numbers of commands, queries and callbacks. Start_Ostrel takes the serial ones the same way, but
 * any other value there is the number of the local UDP port to bind. */
enum {
    OSTREL_PORT_COM1 = 1, /* COM1 .. COM10 are 1 .. 10 */
    OSTREL_PORT_COM10 = 10,
    OSTREL_PORT_UDP = 11 /* the context's one UDP port, whatever number it is bound to */
};

/* A terminal is named by its port and two address bytes, addressA and addressB. addressB 255 names the
 * block record of all terminals with that addressA; addressA 255 with addressB 255 names the port entry
 * that stands for the whole port. Events for them are block and port events, never terminal events. */
enum { OSTREL_WHOLE_BLOCK = 255 };

/* Event codes of onTerminalEvent. Zone events carry the zone number 1..8 as their index, all others 0.
 * Status bits are the terminal's own; Ostrel reports their changes and gives them no meaning. */
typedef enum OstrelEvent {
    OSTREL_EVENT_ZONE_FLAG_CLEARED = 0,  /* a zone's flag bit cleared (long status reports only) */
    OSTREL_EVENT_ZONE_FLAG_SET = 1,      /* a zone's flag bit set (long status reports only) */
    OSTREL_EVENT_ZONE_ALARM_SET = 2,     /* a zone went into alarm */
    OSTREL_EVENT_ZONE_ALARM_CLEARED = 3, /* a zone came out of alarm */
    OSTREL_EVENT_STATUS_BIT2_SET = 4,
    OSTREL_EVENT_STATUS_BIT2_CLEARED = 5,
    OSTREL_EVENT_STATUS_BIT6_SET = 6,
    OSTREL_EVENT_STATUS_BIT6_CLEARED = 7,
    OSTREL_EVENT_TERMINAL_OFF_LINE = 8, /* the terminal signed off or was not heard in its time-out */
    OSTREL_EVENT_TERMINAL_ON_LINE = 9,  /* the terminal was heard after never or off line */
    OSTREL_EVENT_STATUS_BIT0_CLEAR = 10,
    OSTREL_EVENT_STATUS_BIT0_SET = 11,
    OSTREL_EVENT_STATUS_BIT1_SET = 12,
    OSTREL_EVENT_BLOCK_OFF_LINE = 13, /* addressB is OSTREL_WHOLE_BLOCK */
    OSTREL_EVENT_BLOCK_ON_LINE = 14,  /* addressB is OSTREL_WHOLE_BLOCK */
    OSTREL_EVENT_PORT_OFF_LINE = 15,  /* both addresses are OSTREL_WHOLE_BLOCK */
    OSTREL_EVENT_PORT_ON_LINE = 16    /* both addresses are OSTREL_WHOLE_BLOCK */
} OstrelEvent;

/* A terminal's state, as GetTerminalState writes it. */
typedef enum OstrelTerminalState {
    OSTREL_STATE_NEVER_HEARD = 0,
    OSTREL_STATE_ON_LINE = 1,
    OSTREL_STATE_ON_LINE_STATUS_BIT2 = 2, /* on line, status bit 2 set in its last status report */
    OSTREL_STATE_ON_LINE_STATUS_BIT6 = 3, /* on line, status bit 6 set and bit 2 clear */
    OSTREL_STATE_OFF_LINE = 4
} OstrelTerminalState;

/* A zone's state, as GetAlarmState writes it. */
typedef enum OstrelZoneState {
    OSTREL_ZONE_NONE = 0,   /* nothing known, or the terminal reported no zone flags (short reports) */
    OSTREL_ZONE_NORMAL = 1, /* not in alarm, by a long status report */
    OSTREL_ZONE_ALARM = 2
} OstrelZoneState;

/* Report codes of onReport. */
typedef enum OstrelReportCode {
    OSTREL_REPORT_PLAIN = 1,
    OSTREL_REPORT_STATUS = 2, /* carries zone alarms, status bits and perhaps zone flags */
    OSTREL_REPORT_SIGN_OFF = 3,
    OSTREL_REPORT_SIGN_ON = 4
} OstrelReportCode;

/* Command codes, as onSendFailed reports the command that went unanswered. */
typedef enum OstrelCommandCode {
    OSTREL_COMMAND_TERMINAL_CONTROL = 5,
    OSTREL_COMMAND_SINGLE_OUTPUT = 6,
    OSTREL_COMMAND_SINGLE_LIGHT = 7,
    OSTREL_COMMAND_BUZZER_CONTROL = 8,
    OSTREL_COMMAND_LCD_DISPLAY = 10,
    OSTREL_COMMAND_LCD_CLEAN = 11,
    OSTREL_COMMAND_MESSAGE = 12,
    OSTREL_COMMAND_ALL_OUTPUT = 13,
    OSTREL_COMMAND_SETUP_TIME = 32,
    OSTREL_COMMAND_CONFIG_NAME = 33,
    OSTREL_COMMAND_CONFIG_FUNCTION = 34,
    OSTREL_COMMAND_POWERUP = 95
} OstrelCommandCode;

/* How Cmd_ConfigFuncation_Terminal sends its data text. */
typedef enum OstrelDataMode {
    OSTREL_DATA_TEXT = 0,           /* the text and a 0 byte */
    OSTREL_DATA_DECIMAL_DIGITS = 1, /* one byte per decimal digit */
    OSTREL_DATA_DOTTED_ADDRESS = 2, /* four bytes from a dotted IPv4 address of at most 16 characters */
    OSTREL_DATA_HEX_DIGITS = 3      /* one byte per hex digit up to the first other character, then 0x0F */
} OstrelDataMode;

/* The highest retry limit Start_Ostrel takes. */
enum { OSTREL_RETRY_LIMIT_MAX = 255 };

/*
 * Callbacks into the caller, eight slots in this order. Any slot may be null. Every callback runs
 * on the context's worker thread and receives the user value given to Init_Ostrel first. Buffers
 * passed to a callback belong to the library and are valid only during the call.
 */
typedef struct OstrelCallbacks {
    /* slot 0: a terminal report (OstrelReportCode) arrived */
    void (*onReport)(void* userValue, int32_t port, int32_t addressA, int32_t addressB, int32_t reportCode,
                     const unsigned char* reportBuffer);
    /* slots 1 and 2: never called */
    void (*reserved1)(void* userValue);
    void (*reserved2)(void* userValue);
    /* slot 3: terminal states changed; a hint to refresh views */
    void (*onRefresh)(void* userValue);
    /* slot 4: never called */
    void (*reserved4)(void* userValue);
    /* slot 5: a queued command (OstrelCommandCode) got no reply within the retry limit, or its terminal
     * could no longer be reached when a resend was due */
    void (*onSendFailed)(void* userValue, int32_t port, int32_t addressA, int32_t addressB,
                         int32_t commandCode, const char* text);
    /* slot 6: a terminal event (OstrelEvent); index is the zone number for zone events, else 0 */
    void (*onTerminalEvent)(void* userValue, int32_t port, int32_t addressA, int32_t addressB, int32_t index,
                            int32_t eventCode, const char* text);
    /* slot 7: the network closed the UDP socket; text is "PC dropped.". The terminal table is emptied. */
    void (*onConnectionLost)(void* userValue, const char* text);
} OstrelCallbacks;

/* ---- Outcomes: what became of each queued frame, and of each serial line ----
 * An addition to the callbacks table above, which stays as it is: a caller that wants to follow its
 * commands sets an outcome callback with SetOutcomeCallback. Every frame a Cmd_ function queued gets
 * exactly one frame outcome, on the worker thread, in the order the outcomes happen; on each port that is
 * the order the frames were queued in. Serial lines report on the same channel when they go away and when
 * Ostrel opens them again. onSendFailed is still called as before, beside OSTREL_FRAME_FAILED. */
typedef enum OstrelOutcomeKind {
    OSTREL_FRAME_ANSWERED = 1,    /* the terminal replied; elapsedMs is from the first sending to the reply */
    OSTREL_FRAME_FAILED = 2,      /* given up: no reply within the retry limit, or the terminal could no
                                   * longer be reached when a resend was due (onSendFailed is called too) */
    OSTREL_FRAME_UNREACHABLE = 3, /* dropped unsent when its turn came: nothing was ever heard from its
                                   * terminal, or the terminal's numbering has no word for the command */
    OSTREL_FRAME_DISCARDED = 4,   /* thrown away unanswered: Quit_Ostrel found it queued, or awaiting its
                                   * reply (also one left waiting since Stop_Ostrel stopped sending) */
    OSTREL_LINE_LOST = 5,         /* a serial line went away (device removed, hang-up, read or write error);
                                   * it is closed, and reopened by itself once the device is back */
    OSTREL_LINE_REOPENED = 6      /* a lost serial line is open again, receiving as before */
} OstrelOutcomeKind;

typedef struct OstrelOutcome {
    int32_t kind;         /* OstrelOutcomeKind */
    int32_t port;         /* OSTREL_PORT_COM1 .. OSTREL_PORT_UDP */
    int32_t addressA;     /* the frame's terminal; OSTREL_WHOLE_BLOCK for line events */
    int32_t addressB;     /* likewise */
    int32_t commandCode;  /* the frame's OstrelCommandCode; 0 for line events */
    uint32_t frameNumber; /* the frame's number (see GetLastQueuedFrame); 0 for line events */
    int32_t sendings;     /* how often the frame went out on the wire; 0 when never */
    int32_t elapsedMs;    /* from the frame's first sending to this outcome; 0 when it was never sent */
} OstrelOutcome;

/* Runs on the worker thread; the outcome is valid only during the call. */
typedef void (*OstrelOutcomeCallback)(void* userValue, const OstrelOutcome* outcome);

/* Sets the outcome callback (null: none), called with Init_Ostrel's user value from the next outcome on.
 * May be called from any thread, also from a callback. Returns false for a null context. */
OSTREL_API bool SetOutcomeCallback(OstrelContext* context, OstrelOutcomeCallback callback);

/* The number of the frame that the calling thread's last successful Cmd_ call on this context queued;
 * 0 when this thread has queued none on it. Numbers count from 1 in each context, in the order frames
 * were queued (on all ports together), and after 4294967295 start again at 1. */
OSTREL_API uint32_t GetLastQueuedFrame(OstrelContext* context);

/* ---- Library management ---- */

/* Creates a context and starts its worker thread. Returns the context, or null when callbacks is null
 * or the context cannot be made (then one line saying why goes to standard output). The callbacks
 * table must outlive the context. */
OSTREL_API OstrelContext* Init_Ostrel(void* userValue, const OstrelCallbacks* callbacks);

/* Opens a port and starts the context's 100 ms passes with the first port opened.
 * portNumber 1 to 10 opens COM1 to COM10 at 9600 baud: the device link "dev/COMn" in the working folder
 * when there is one, else /dev/ttySn-1. A line that is already open counts as opened; one whose device
 * went away is opened afresh. The context watches the lines it opened: one that goes away is reported
 * (OSTREL_LINE_LOST) and opened again from the worker thread, tried about once a second, once its device
 * is back (OSTREL_LINE_REOPENED; also when a call of this opens it again first).
 * Any other portNumber binds the context's UDP port to that number (low 16 bits; 0 lets the system
 * choose); a context has one UDP port, and binding a new number replaces the old socket only once the
 * new one is bound.
 * replyTimeout is kept and not used; retryLimit (0 to OSTREL_RETRY_LIMIT_MAX) is how often a frame is
 * sent, one second apart, before onSendFailed; 0 means 256 times. Both hold for every port of the
 * context and are overwritten by each successful call.
 * Returns true when the port is open; false, changing nothing, for a null context, a retry limit out of
 * range, a line that cannot be opened or a UDP port that cannot be bound. */
OSTREL_API bool Start_Ostrel(OstrelContext* context, int32_t portNumber, int32_t replyTimeout,
                             int32_t retryLimit);

/* Forwards every zone alarm (OSTREL_EVENT_ZONE_ALARM_SET delivered to onTerminalEvent) as the 5-byte
 * datagram FF, addressA, addressB, zone, 00 from the UDP port to forwardHost:forwardPort; port 0 stops
 * forwarding. The second argument is not read. Returns true when stored; false for a null context, or a
 * host that is not a dotted IPv4 address of at most 31 characters. */
OSTREL_API bool Start_Translib(OstrelContext* context, const char* forwardHost, int32_t unused,
                               int32_t forwardPort);

/* Stops sending (queued frames stay queued and nothing is resent) and closes the UDP socket; terminals
 * keep being timed out and serial lines read. No export starts sending again: a reply that still arrives
 * answers its frame, and the frame left awaiting its reply and those queued get OSTREL_FRAME_DISCARDED at
 * Quit_Ostrel. Returns 0 when an open socket was closed, -1 when there was none or the context is null. */
OSTREL_API int32_t Stop_Ostrel(OstrelContext* context);

/* Ends the context: closes the UDP socket, stops the worker thread, discards queued frames and frees
 * everything; the handle is invalid afterwards. Before the worker ends, each frame awaiting its reply and
 * then every frame still queued is reported OSTREL_FRAME_DISCARDED, each port's in queue order; a command
 * called meanwhile queues nothing. Lost serial lines are no longer watched; open ones stay open for a
 * later context. It waits for the worker thread, so it must not be called from a callback (which runs on
 * that thread). */
OSTREL_API void Quit_Ostrel(OstrelContext* context);

/* ---- Terminal table ----
 * port is 1 to 11 (OSTREL_PORT_*); any other port, or a null context or pointer, reads nothing and
 * writes nothing. Each call takes the table's lock for its duration. */

/* Writes the terminal's OstrelTerminalState into *state. Returns 1 when status bit 0 of the terminal's
 * last status report was clear, 0 when it was set or nothing is known. */
OSTREL_API uint8_t GetTerminalState(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                                    int32_t* state);
/* For zone 1 to 8 writes the zone's OstrelZoneState into *zoneState and returns 1 when the zone's flag
 * bit was clear in the terminal's last long status report, else 0. Other zones do not exist: nothing is
 * written and the result is 0. */
OSTREL_API uint8_t GetAlarmState(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                                 int32_t zone, int32_t* zoneState);
/* Writes the terminal's time-out (in count-down periods of 1.1 s; 0 is none), its UDP source port (its
 * block's when it has none; the port number for serial terminals) and, into addressText (at least 16
 * bytes), the dotted address it is reached at: its own, "0.0.0.0" for a terminal with a time-out but
 * never heard, else its block's ("" when the block was never heard). */
OSTREL_API void GetTerminalProperty(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                                    int32_t* timeout, int32_t* udpPort, char* addressText);
/* Gives the terminal a time-out (0: it never expires by time) and puts it on line, with its port entry.
 * A terminal given a time-out before it was ever heard goes off line at the next expiry scan unless it
 * is heard first. The last two arguments are not read. */
OSTREL_API void SetTerminalProperty(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                                    int32_t timeout, int32_t unused1, int32_t unused2);

/* ---- Commands: each queues one frame for the terminal (port, addressA, addressB) ----
 * port is 1 to 11 (OSTREL_PORT_*). headerWord goes into the frame's header as it is (low 16 bits; pass
 * 0). Each returns true when the frame was queued; false when the port's queue is full (1999 frames
 * wait), for a null context, a port out of range, a null text or pointer, or a text too long for a frame.
 * Queued frames go out one at a time per port, in order, each sent up to the retry limit until its
 * terminal answers; a frame for a terminal that nothing was ever heard from is dropped when its turn
 * comes. A password has 4 or 6 decimal digits; one longer than 8 characters sends the frame without it. */

/* Arms (action 1) or disarms (action 0) zone 1..8, or all zones (0; zones above 8 count as 0). */
OSTREL_API bool Cmd_TerminalControl_Send(OstrelContext* context, int32_t port, int32_t addressA,
                                         int32_t addressB, int32_t headerWord, const char* password,
                                         int32_t action, int32_t zone);
/* Switches a relay output; thirdValue is a 16-bit value the terminal gives its own meaning. */
OSTREL_API bool Cmd_SingleOutput_Send(OstrelContext* context, int32_t port, int32_t addressA,
                                      int32_t addressB, int32_t headerWord, int32_t output,
                                      int32_t outputState, int32_t thirdValue);
/* Switches a lamp. */
OSTREL_API bool Cmd_SingleLight_Send(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                                     int32_t headerWord, int32_t lamp, int32_t lampState);
/* Drives the buzzer: three 16-bit durations in units of 20 ms (total, sounding, pause). */
OSTREL_API bool Cmd_BuzzerControl_Send(OstrelContext* context, int32_t port, int32_t addressA,
                                       int32_t addressB, int32_t headerWord, int32_t totalTime,
                                       int32_t soundingTime, int32_t pauseTime);
/* Shows text (at most 63 bytes, in the terminal's character set) on the display. */
OSTREL_API bool Cmd_LCDdisplay_Send(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                                    int32_t headerWord, int32_t argument, const char* text);
/* Clears the display. */
OSTREL_API bool Cmd_LCDcleans_Send(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                                   int32_t headerWord);
/* Sends a short message (at most 64 bytes). */
OSTREL_API bool Cmd_Message_Send(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                                 int32_t headerWord, const char* text);
/* Sets count outputs (low 8 bits) at once from a bit map of at least ceil(count / 8) bytes. */
OSTREL_API bool Cmd_One_Equiment_All_Output(OstrelContext* context, int32_t port, int32_t addressA,
                                            int32_t addressB, int32_t headerWord, int32_t count,
                                            const unsigned char* bitMap);
/* Sets the clock. dateTime: fields separated by any of "- :", for example "10-09-27 08:05:00"
 * (year without century, month, day, hour, minute, second); at most 31 characters are read. */
OSTREL_API bool Cmd_SetupTime_Send(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                                   int32_t headerWord, const char* dateTime);
/* Names the terminal (selector 0) or zone 1..8 (selector 1..8); the name has at most 60 bytes. */
OSTREL_API bool Cmd_ConfigName_Terminal(OstrelContext* context, int32_t port, int32_t addressA,
                                        int32_t addressB, int32_t headerWord, const char* password,
                                        int32_t selector, const char* name);
/* Writes one programming value: master code firstByte, sub code secondByte, data sent by mode
 * (OstrelDataMode; data of at most 59 bytes). A dotted address over 16 characters or another mode sends
 * the header without data. */
OSTREL_API bool Cmd_ConfigFuncation_Terminal(OstrelContext* context, int32_t port, int32_t addressA,
                                             int32_t addressB, int32_t headerWord, const char* password,
                                             int32_t firstByte, int32_t secondByte, const char* data,
                                             int32_t mode);
/* The power-up command. */
OSTREL_API bool Cmd_One_Equiment_Powerup(OstrelContext* context, int32_t port, int32_t addressA,
                                         int32_t addressB, int32_t headerWord);

#ifdef __cplusplus
}
#endif

#endif /* OSTREL_OSTREL_H */
