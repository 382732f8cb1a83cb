#include "program/DigitStringRun.h"

#include "model/RisingDigitValues.h"

#include <algorithm>

DigitStringRun PlanDigitStringRun(const DigitStringRunFields& fields, int rowCount, int digits) {
    if (fields.initialLine.isEmpty() || fields.initialValue.isEmpty())
        return {.outcome = DigitStringRun::NoStart};
    if (fields.lineCount.isEmpty() || fields.step.isEmpty())
        return {.outcome = DigitStringRun::NoSize};
    const int firstRow = fields.initialLine.toInt();
    const int lines = std::min(fields.lineCount.toInt(), rowCount - firstRow);
    if (lines < 1)
        return {.outcome = DigitStringRun::NoLines};
    std::optional<QStringList> values = RisingDigitValues(fields.initialValue, fields.step, lines, digits);
    if (!values)
        return {.outcome = DigitStringRun::TooManyDigits};
    return {.outcome = DigitStringRun::Values, .firstRow = firstRow, .values = *values};
}
