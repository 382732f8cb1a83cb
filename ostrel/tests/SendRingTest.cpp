#include "core/SendRing.h"

#include <gtest/gtest.h>
