#include "FrameCodec.h"
