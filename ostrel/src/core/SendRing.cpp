#include "SendRing.h"
