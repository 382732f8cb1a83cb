#pragma once

#include "prompt/Prompter.h"

#include <cstdio>

// The benchmarks' prompter: every message goes to standard error, every question is answered with OK, and
// no file is chosen.
class StderrPrompter : public Prompter {
public:
    void inform(const QString& text) override { std::fprintf(stderr, "message: %s\n", qPrintable(text)); }
    bool confirm(const QString& text, const QString&) override {
        inform(text);
        return true;
    }
    QString askSavePath(const QString&, const QString&, const QString&) override { return {}; }
};
