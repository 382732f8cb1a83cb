#include "core/CommandFrame.h"

#include <gtest/gtest.h>
