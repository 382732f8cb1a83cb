/* The public header compiles as C and the shared library's exports link from C. */
#include "ostrel/ostrel.h"

#include <stdio.h>

static int failures = 0;

static void expect(int condition, const char* what) {
    if (!condition) {
        printf("FAILED: %s\n", what);
        ++failures;
    }
}

static int outcomesSeen = 0;

static void onOutcome(void* userValue, const OstrelOutcome* outcome) {
    (void)userValue;
    if (outcome->kind >= OSTREL_FRAME_ANSWERED && outcome->kind <= OSTREL_LINE_REOPENED)
        ++outcomesSeen;
}

int main(void) {
    OstrelCallbacks callbacks = {0};
    expect(sizeof callbacks == 8 * sizeof(void (*)(void)), "eight callback slots");
    expect(Init_Ostrel(NULL, NULL) == NULL, "null callbacks give no context");

    OstrelContext* context = Init_Ostrel(&callbacks, &callbacks);
    expect(context != NULL, "a context for a callbacks table");
    expect(!SetOutcomeCallback(NULL, onOutcome), "no outcome callback for a null context");
    expect(GetLastQueuedFrame(NULL) == 0, "no frame for a null context");
    expect(SetOutcomeCallback(context, onOutcome), "an outcome callback");
    expect(GetLastQueuedFrame(context) == 0, "no frame queued yet");
    expect(Start_Ostrel(context, 0, 1000, 3), "UDP port chosen by the system");
    expect(Cmd_LCDcleans_Send(context, OSTREL_PORT_UDP, 1, 2, 0), "a command queued");
    const uint32_t frame = GetLastQueuedFrame(context);
    expect(frame == 1, "the first frame is number 1");
    expect(Stop_Ostrel(context) == 0, "stop closes the socket");
    Quit_Ostrel(context);
    expect(outcomesSeen == 1, "the frame has its outcome by the time Quit_Ostrel returns");

    return failures ? 1 : 0;
}
