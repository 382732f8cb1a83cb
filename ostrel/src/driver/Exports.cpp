// The C interface. Every export checks its context and does nothing with a null one.
#include "OstrelContext.h"
#include "ostrel/ostrel.h"

#include <cstdio>
#include <exception>
#include <new>
#include <system_error>

extern "C" {

OstrelContext* Init_Ostrel(void* userValue, const OstrelCallbacks* callbacks) {
    if (!callbacks)
        return nullptr;
    try {
        return OstrelContext::create(userValue, *callbacks).release();
    } catch (const std::exception& failure) {
        // The only report the library ever writes: it could not get memory or a thread.
        std::printf("%s\n", failure.what());
        std::fflush(stdout);
        return nullptr;
    }
}

bool Start_Ostrel(OstrelContext* context, int32_t portNumber, int32_t replyTimeout, int32_t retryLimit) {
    return context && context->start(portNumber, replyTimeout, retryLimit);
}

bool Start_Translib(OstrelContext* context, const char* forwardHost, int32_t, int32_t forwardPort) {
    return context && context->startTranslib(forwardHost, forwardPort);
}

int32_t Stop_Ostrel(OstrelContext* context) {
    return context ? context->stop() : -1;
}

void Quit_Ostrel(OstrelContext* context) {
    if (!context)
        return;
    context->quit();
    delete context;
}

uint8_t GetTerminalState(OstrelContext*, int32_t, int32_t, int32_t, int32_t*) {
    return 0;
}

uint8_t GetAlarmState(OstrelContext*, int32_t, int32_t, int32_t, int32_t, int32_t*) {
    return 0;
}

void GetTerminalProperty(OstrelContext*, int32_t, int32_t, int32_t, int32_t*, int32_t*, char*) {}

void SetTerminalProperty(OstrelContext*, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {}

bool Cmd_TerminalControl_Send(OstrelContext*, int32_t, int32_t, int32_t, int32_t, const char*, int32_t,
                              int32_t) {
    return false;
}

bool Cmd_SingleOutput_Send(OstrelContext*, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {
    return false;
}

bool Cmd_SingleLight_Send(OstrelContext*, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {
    return false;
}

bool Cmd_BuzzerControl_Send(OstrelContext*, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {
    return false;
}

bool Cmd_LCDdisplay_Send(OstrelContext*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*) {
    return false;
}

bool Cmd_LCDcleans_Send(OstrelContext*, int32_t, int32_t, int32_t, int32_t) {
    return false;
}

bool Cmd_Message_Send(OstrelContext*, int32_t, int32_t, int32_t, int32_t, const char*) {
    return false;
}

bool Cmd_One_Equiment_All_Output(OstrelContext*, int32_t, int32_t, int32_t, int32_t, int32_t,
                                 const unsigned char*) {
    return false;
}

bool Cmd_SetupTime_Send(OstrelContext*, int32_t, int32_t, int32_t, int32_t, const char*) {
    return false;
}

bool Cmd_ConfigName_Terminal(OstrelContext*, int32_t, int32_t, int32_t, int32_t, const char*, int32_t,
                             const char*) {
    return false;
}

bool Cmd_ConfigFuncation_Terminal(OstrelContext*, int32_t, int32_t, int32_t, int32_t, const char*, int32_t,
                                  int32_t, const char*, int32_t) {
    return false;
}

bool Cmd_One_Equiment_Powerup(OstrelContext*, int32_t, int32_t, int32_t, int32_t) {
    return false;
}

} // extern "C"
