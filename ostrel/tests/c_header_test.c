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

int main(void) {
    OstrelCallbacks callbacks = {0};
    expect(sizeof callbacks == 8 * sizeof(void (*)(void)), "eight callback slots");
    expect(Init_Ostrel(NULL, NULL) == NULL, "null callbacks give no context");

    OstrelContext* context = Init_Ostrel(&callbacks, &callbacks);
    expect(context != NULL, "a context for a callbacks table");
    expect(Start_Ostrel(context, 0, 1000, 3), "UDP port chosen by the system");
    expect(Stop_Ostrel(context) == 0, "stop closes the socket");
    Quit_Ostrel(context);

    return failures ? 1 : 0;
}
