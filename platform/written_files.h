// Tells the host side of the files the library writes (installed header
// strataplot/observers.h).
#pragma once

#include <strataplot/observers.h>

#include "platform/platform.h"
