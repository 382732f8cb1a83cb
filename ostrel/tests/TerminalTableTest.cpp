#include "core/TerminalTable.h"

#include <gtest/gtest.h>
