#include "CommandFrame.h"
