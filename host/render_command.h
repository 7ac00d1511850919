// What the host and its render module share: the module's one entry point,
// `strataplot render FILE... [-o OUT] [--width PIXELS]`.
#pragma once

#include <string>
#include <vector>

namespace host {

inline constexpr const char* kRenderModule = "libstrataplot-render.so";
inline constexpr const char* kRenderEntry = "StrataplotRender";
// Takes the arguments after "render"; returns the exit status.
using RenderEntry = int (*)(const std::vector<std::string>& args);

}  // namespace host
