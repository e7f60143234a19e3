#pragma once

#include "low/low.h"
#include "mid/mid_other.h"
#include "outside/helper.h"
