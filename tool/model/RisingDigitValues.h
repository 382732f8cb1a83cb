#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Rising digit-string programming values: `count` values from `first` up by `step`, each zero-filled to
// `digits` characters. Nothing when the last, and so largest, value has more than `digits` digits: a run
// is taken whole or not at all. `first` and `step` are decimal texts, read as far as they are digits.
std::optional<QStringList> RisingDigitValues(const QString& first, const QString& step, int count,
                                             int digits);
