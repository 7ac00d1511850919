// The library's dialog templates. Texts are GBK.
#pragma once

#include <span>

#include "platform/dialog.h"

namespace strataplot::templates {

// Control ids.
inline constexpr int kIntervalField = 2000;
inline constexpr int kPromptLabel = 1041;
inline constexpr int kHintLabel = 1043;
inline constexpr int kGasIntervalField = 1045;
inline constexpr int kGasHintLabel = 1046;

// Contour interval dialog (resource 10002), used through the framework.
extern const platform::DialogTemplate kContourInterval;
// The static-framework build's interval templates, shown by name.
extern const platform::DialogTemplate kGetOilDlg;
extern const platform::DialogTemplate kGetGasIntenDlg;

// The templates the shared-framework build registers when it is loaded.
std::span<const platform::DialogTemplate> FrameworkTemplates();

}  // namespace strataplot::templates
