/*
 * ostrel-monitor: opens Ostrel ports and prints every callback it receives, until Ctrl-C.
 *   ostrel-monitor [port ...]     1..10 open COM1..COM10, any other number a UDP port (default 6000)
 * Written in C on purpose: it is also the proof that the public header serves a C caller.
 */
#include "ostrel/ostrel.h"

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

static volatile sig_atomic_t stopRequested = 0;

static void onSignal(int signalNumber) {
    (void)signalNumber;
    stopRequested = 1;
}

static void onReport(void* user, int32_t port, int32_t a, int32_t b, int32_t code,
                     const unsigned char* buffer) {
    (void)user;
    (void)buffer;
    printf("report    port %d terminal %d.%d code %d\n", (int)port, a & 0xFF, b & 0xFF, code & 0xFF);
    fflush(stdout);
}

static void onSendFailed(void* user, int32_t port, int32_t a, int32_t b, int32_t code, const char* text) {
    (void)user;
    (void)text;
    printf("no reply  port %d terminal %d.%d command %d\n", (int)port, a & 0xFF, b & 0xFF, code & 0xFF);
    fflush(stdout);
}

static void onTerminalEvent(void* user, int32_t port, int32_t a, int32_t b, int32_t index, int32_t event,
                            const char* text) {
    (void)user;
    (void)text;
    printf("event     port %d terminal %d.%d zone %d event %d\n", (int)port, a & 0xFF, b & 0xFF, index & 0xFF,
           event & 0xFF);
    fflush(stdout);
}

static void onConnectionLost(void* user, const char* text) {
    (void)user;
    printf("lost      %s\n", text);
    fflush(stdout);
}

int main(int argc, char** argv) {
    static const OstrelCallbacks callbacks = {
        onReport, NULL, NULL, NULL, NULL, onSendFailed, onTerminalEvent, onConnectionLost};
    OstrelContext* context = Init_Ostrel(NULL, &callbacks);
    if (!context) {
        fprintf(stderr, "ostrel-monitor: cannot start Ostrel\n");
        return 1;
    }
    int opened = 0;
    for (int i = 1; i < argc || (argc == 1 && i == 1); ++i) {
        const int port = argc == 1 ? 6000 : atoi(argv[i]);
        const char* kind = port >= 1 && port <= 10 ? "COM" : "UDP port ";
        if (Start_Ostrel(context, port, 1000, 3)) {
            printf("listening on %s%d\n", kind, port);
            ++opened;
        } else {
            fprintf(stderr, "ostrel-monitor: cannot open %s%d\n", kind, port);
        }
    }
    if (opened == 0) {
        Quit_Ostrel(context);
        return 1;
    }
    printf("terminal reports and events appear here; Ctrl-C ends\n");
    fflush(stdout);
    signal(SIGINT, onSignal);
    signal(SIGTERM, onSignal);
    while (!stopRequested)
        sleep(1);
    Quit_Ostrel(context);
    return 0;
}
