// What the installed headers mark as exported from our shared libraries.
#pragma once

#define STRATAPLOT_API __attribute__((visibility("default")))
