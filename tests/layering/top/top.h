#pragma once

#include "low/low.h"
#include "mid/mid.h"
