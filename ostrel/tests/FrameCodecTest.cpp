#include "core/FrameCodec.h"

#include <gtest/gtest.h>
