#pragma once

#include <cstddef>

// The steps of a fuzz-record-store input: a step byte, then what the step reads (RecordStoreFuzzer.cpp).
// Texts are read as a kind byte and bytes: UTF-8, raw UTF-16 code units (which may hold half of a surrogate
// pair), or a piece repeated into a long text.
struct RecordStoreProgram {
    enum Step {
        AddModel,         // a new id or the id of a model there, name, password
        AddMasterCode,    // model pick, number, type, digits, order flag, four texts
        AddSubCodes,      // master code pick, count, then a number and a value for each
        SetValues,        // count, then a sub code pick and a new value for each
        RemoveModel,      // model pick
        RemoveMasterCode, // model pick, master code pick
        RemoveSubCode,    // sub code pick
        Reload,           // the tree read afresh must equal the one held
        StoreValue,       // a text and a number written with SqlStatement and read back
        DeleteValue,      // a text: the rows holding exactly it are deleted
        Transaction,      // commit flag, a text: written in a transaction, committed or dropped
    };
    static constexpr int kStepKinds = 11;
    static constexpr int kMaxSteps = 24;

    enum TextKind { Utf8, Utf16, Repeated };
    static constexpr int kTextKinds = 3;
    static constexpr std::size_t kMaxTextBytes = 64;
    // A repeated piece is taken up to 255 * kRepeatUnit times: texts of some hundred thousand characters.
    static constexpr int kRepeatUnit = 64;
    static constexpr int kMaxSubCodesPerStep = 4;
    static constexpr int kMaxChangesPerStep = 3;
};
