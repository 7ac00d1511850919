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

// Gas map type dialog (resource 10003) and the static-framework build's GetGasTypeDlg.
// The radio buttons of the nine kinds, in template order.
inline constexpr int kGasKindButtons[9] = {2002, 2003, 8004, 8005, 8006, 8007, 8008, 8009, 8010};
extern const platform::DialogTemplate kGasType;
extern const platform::DialogTemplate kGetGasTypeDlg;
// Horizon selection dialog (resource 10001) and the static-framework build's PreSaLayerDlg.
inline constexpr int kHorizonList = 1061;
inline constexpr int kHorizonComboStatic = 3008;
extern const platform::DialogTemplate kHorizonSelection;
extern const platform::DialogTemplate kPreSaLayerDlg;

// The templates the shared-framework build registers when it is loaded.
std::span<const platform::DialogTemplate> FrameworkTemplates();

}  // namespace strataplot::templates
