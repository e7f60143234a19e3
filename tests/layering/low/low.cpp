#include "low/low.h"

// #include "top/top.h" in a comment is no include
#include "missing/generated.h"
#include "top/top.h"
