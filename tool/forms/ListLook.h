#pragma once

class CGridmara;

// The look every list of the tool shares; the columns, their colours included, are each list's own.

// Grid lines, one whole row selected at a time, and the tool's header and row look.
void SetUpList(CGridmara& list);

// Wide enough for every column and a vertical scroll bar: the list never opens scrolled sideways.
void FitWidthToColumns(CGridmara& list);
