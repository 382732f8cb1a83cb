#pragma once

#include <QString>
#include <QStringList>

// The fields of the programming page from which Modify writes a run of a digit-string master code.
struct DigitStringRunFields {
    // The row of the first value; the caller has checked that it is below the number of rows.
    QString initialLine;
    QString initialValue;
    QString lineCount;
    QString step;
};

// What Modify is to write for a digit-string master code with `rowCount` sub codes of `digits` digits.
struct DigitStringRun {
    enum Outcome {
        Values,        // the new values of the rows from firstRow on, one per row
        NoStart,       // the initial line or the initial value is empty
        NoSize,        // the number of lines or the step is empty
        NoLines,       // fewer than one line: nothing to write, nothing to say
        TooManyDigits, // the last value has more digits than the master code's values
    };
    Outcome outcome = NoLines;
    int firstRow = 0;
    QStringList values = {};
};

// A run that would pass the last row ends there.
DigitStringRun PlanDigitStringRun(const DigitStringRunFields& fields, int rowCount, int digits);
