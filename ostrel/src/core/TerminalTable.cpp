#include "TerminalTable.h"
