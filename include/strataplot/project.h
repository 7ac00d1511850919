// The current project: what the library's GetProjName returns to every
// export. Provided by libstrataplot-common.so.1 (Strataplot::Cxx links it).
#pragma once

#include <string>
#include <string_view>

#include "strataplot/api.h"

namespace strataplot {

// Sets the current project by its name in UTF-8 (1 to 19 bytes in the
// library's code page). Call it before an export, not during one, from the
// thread that calls the exports. Returns false with the reason in *error
// (when error is not null) for a name that is empty, too long or does not
// convert; the current project then stays as it was.
STRATAPLOT_API bool SetProject(std::string_view name, std::string* error = nullptr);

}  // namespace strataplot
