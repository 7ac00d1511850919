// What the scanning layer exports: it is compiled into the platform library,
// and the readers above call it from other shared objects.
#pragma once

#define SCAN_API __attribute__((visibility("default")))
