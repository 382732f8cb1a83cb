// Resident memory of a process using Ostrel: after Init_Ostrel, and after terminals have been heard
// on the UDP port (default 10,000, sent as reports over loopback).
//   ostrel-memory [terminals]
#include "ostrel/ostrel.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

std::atomic<int> onLine{0};

void onEvent(void*, int32_t, int32_t, int32_t, int32_t, int32_t code, const char*) {
    if ((code & 0xFF) == 9)
        ++onLine;
}

} // namespace

int main(int argc, char** argv) {
    const int terminals = argc > 1 ? std::atoi(argv[1]) : 10000;
    std::printf("before Init_Ostrel:   %6ld kB resident\n", residentKilobytes());
    OstrelCallbacks callbacks{};
    callbacks.onTerminalEvent = onEvent;
    OstrelContext* context = Init_Ostrel(nullptr, &callbacks);
    std::printf("after Init_Ostrel:    %6ld kB resident\n", residentKilobytes());
    const int port = 47000 + static_cast<int>(getpid() % 1000);
    if (!context || !Start_Ostrel(context, port, 1000, 3)) {
        std::fprintf(stderr, "ostrel-memory: cannot open UDP port %d\n", port);
        return 1;
    }
    const int sender = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<std::uint16_t>(port));
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int i = 0; i < terminals; ++i) {
        const unsigned char a = static_cast<unsigned char>(i / 250);
        const unsigned char b = static_cast<unsigned char>(i % 250);
        unsigned char frame[8] = {8, a, b, 0, 0, 0, 1, 0};
        frame[7] = static_cast<unsigned char>(8 + a + b + 1);
        sendto(sender, frame, sizeof frame, 0, reinterpret_cast<sockaddr*>(&target), sizeof target);
        if (i % 100 == 99) // let the worker keep up, so no datagram is lost in the socket buffer
            while (onLine < i - 100)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (onLine < terminals && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::printf("%d terminals heard:  %6ld kB resident\n", onLine.load(), residentKilobytes());
    close(sender);
    Quit_Ostrel(context);
    return 0;
}
