// What the host and its render module share: the module's one entry point,
// `strataplot render FILE... [-o OUT] [--width PIXELS]`, and what the command
// line gives it.
#pragma once

#include <string>
#include <vector>

namespace host {

struct RenderOptions {
  std::vector<std::string> files;  // map files and .dsa profiles
  std::string out;                 // empty: FILE.png beside each FILE
  int width = 1200;                // pixels
};
inline constexpr int kNarrowestPicture = 200;
inline constexpr int kWidestPicture = 20000;

inline constexpr const char* kRenderModule = "libstrataplot-render.so";
inline constexpr const char* kRenderEntry = "StrataplotRender";
// Writes the pictures; returns the exit status.
using RenderEntry = int (*)(const RenderOptions& options);

}  // namespace host
