#pragma once

#include <cstddef>
#include <cstdint>

// The steps of a fuzz-core input: a step byte, then what the step reads (CoreFuzzer.cpp).
struct CoreProgram {
    enum Step {
        Datagram,           // source (pool index, or 4 octets), source port, seal, count, bytes
        SerialBytes,        // port index, seal, bytes: what a line brings by the next tick
        Ticks,              // how many 100 ms periods (1 to 8, within the run's budget)
        QueueCommand,       // port index, then a FuzzCommand
        StartTimers,        // as when the first port opens: waits and partial serial input forgotten
        StopSending,        // as Stop_Ostrel: the send pump stops, the other passes go on
        StopTimers,         // every pass stops (each run ends with Quit_Ostrel's destroy step)
        StoreValues,        // reply time-out (int32), retry limit (byte)
        LocalAddress,       // 4 octets
        ForwardDestination, // 4 octets, port (word)
        ConnectionLost,     // the network closed the UDP socket
        OpenLine,           // port index: a serial line opened afresh (back, if it was lost), received
        CloseLine,          // port index: the line went away, lost
        SetProperty,        // port index, addressA, addressB, time-out (int32)
        Queries,            // port index, addressA, addressB, zone
        Flood,              // port index, addressA, addressB: more commands than a send ring holds
        AnswerLast,         // any-reply flag: the last command sent is answered by its terminal
        ReactToReports,     // on/off: every report queues a command from within the callback
    };
    static constexpr int kStepKinds = 18;
    static constexpr int kMaxSteps = 256;
    // A tick scans the terminal table (about 0.7 ms under ASan): few per run keep runs fast, yet enough
    // for a resend (10 ticks) and a give-up after it, or a serial terminal's expiry.
    static constexpr int kMaxTicks = 32;
    static constexpr int kMaxTicksPerStep = 8;
    static constexpr std::size_t kMaxDatagram = 130; // past the 128 bytes a datagram may have
    static constexpr std::size_t kMaxSerialRun = 200;

    // How bytes are made a frame before they go in: left as they are, or given the length byte and
    // checksum of a layout.
    enum Seal { Raw, Canonical, Network, Serial };
    static constexpr int kSealKinds = 4;

    // A datagram's source: one of a few hosts, so that frames meet the terminals heard before, or any.
    static constexpr int kSourcePoolSize = 4;
    static constexpr std::uint8_t kSourcePool[kSourcePoolSize][4] = {
        {10, 0, 0, 5}, {10, 0, 0, 6}, {192, 168, 1, 20}, {127, 0, 0, 1}};
    static constexpr std::uint8_t kAnySource = 0xFF;

    // Port index bytes are taken modulo 16: 0 to 10 are the ports, 11 to 15 none (the core must refuse
    // them). The count of a datagram: the bytes given, or what a failed, empty or oversized read reports.
    enum Count : std::uint8_t { AsGiven = 0, FailedRead = 1, EmptyRead = 2, Oversized = 3 };
    static constexpr int kCountKinds = 4;

    static constexpr std::uint8_t kPcAddress[4] = {192, 168, 1, 10};
};
