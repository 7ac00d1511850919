#include "dialogs/templates.h"

#include <array>

namespace strataplot::templates {

using platform::ControlKind;
using platform::ControlTemplate;
using platform::DialogTemplate;
using namespace platform;  // style flags

namespace {

constexpr unsigned kFrame = kModalFrame | kCaption | kSysMenu;

const ControlTemplate kContourIntervalControls[] = {
    {kIntervalField, ControlKind::Edit, "", {195, 9, 35, 14}, kBorder | kAutoHScroll | kTabStop},
    {IDOK, ControlKind::PushButton, "确   认 (&Y)", {40, 66, 60, 19}, kDefaultButton | kTabStop},
    {IDCANCEL, ControlKind::PushButton, "取    消 (&N)", {134, 66, 60, 19}, kTabStop},
    {kPromptLabel,
     ControlKind::Label,
     "输入强度间距值(万吨/平方公里):",
     {6, 10, 187, 14},
     kAlignLeft},
    {kNoId, ControlKind::GroupBox, "提示", {5, 28, 225, 36}, 0},
    {kHintLabel, ControlKind::Label, "提示信息", {9, 38, 217, 21}, kAlignCenter},
};

const ControlTemplate kGasIntervalControls[] = {
    {kGasIntervalField, ControlKind::Edit, "", {198, 7, 34, 14}, kBorder | kAutoHScroll | kTabStop},
    {IDOK, ControlKind::PushButton, "确    认(&Y)", {26, 64, 63, 18}, kDefaultButton | kTabStop},
    {IDCANCEL, ControlKind::PushButton, "取   消(&N)", {146, 64, 63, 18}, kTabStop},
    {kPromptLabel, ControlKind::Label, "输入气的强度间距值:", {6, 8, 191, 15}, kAlignLeft},
    {kNoId, ControlKind::GroupBox, "提示", {7, 24, 226, 36}, 0},
    {kGasHintLabel, ControlKind::Label, "提示信息", {10, 35, 218, 19}, kAlignCenter},
};

constexpr unsigned kRadio = kAutoRadio | kTabStop;

const ControlTemplate kGasTypeControls[] = {
    {IDOK, ControlKind::PushButton, "确认(&Y)", {110, 40, 44, 18}, kDefaultButton | kTabStop},
    {IDCANCEL, ControlKind::PushButton, "取消(&N)", {110, 101, 44, 18}, kTabStop},
    {2002,
     ControlKind::RadioButton,
     "生  气  强  度  图    (&G)",
     {10, 13, 86, 10},
     kRadio | kGroup},
    {2003, ControlKind::RadioButton, "总 排 气 强 度 图   (&E)", {10, 27, 85, 10}, kRadio},
    {8004, ControlKind::RadioButton, "游离相排气强度图(&F)", {10, 41, 84, 10}, kRadio},
    {8005, ControlKind::RadioButton, "水溶相排气强度图(&W)", {10, 55, 84, 10}, kRadio},
    {8006, ControlKind::RadioButton, "油溶相排气强度图(&O)", {10, 69, 87, 10}, kRadio},
    {8007, ControlKind::RadioButton, "扩散相排气强度图(&D)", {10, 83, 86, 10}, kRadio},
    {kNoId, ControlKind::GroupBox, "", {3, 3, 100, 141}, 0},
    {8008, ControlKind::RadioButton, "未 排 气 强 度 图   (&U)", {10, 98, 87, 10}, kRadio},
    {8009, ControlKind::RadioButton, "深层生气强度图    (&C)", {10, 113, 87, 10}, kRadio},
    {8010, ControlKind::RadioButton, "深层排气强度图    (&P)", {10, 127, 87, 10}, kRadio},
};

const ControlTemplate kHorizonSelectionControls[] = {
    {IDOK, ControlKind::PushButton, "确     认 (&Y)", {84, 7, 50, 19}, kDefaultButton | kTabStop},
    {IDCANCEL, ControlKind::PushButton, "取     消 (&N)", {84, 38, 50, 19}, kTabStop},
    {kNoId, ControlKind::Label, "选择烃源岩层位(&S):", {8, 18, 68, 10}, kAlignLeft},
    {kNoId, ControlKind::GroupBox, "", {4, 5, 76, 61}, 0},
    {kHorizonList, ControlKind::ComboBox, "", {9, 30, 64, 67}, kDropDownList | kVScroll | kTabStop},
};

// The static-framework build's list: editable, 40 units high.
const ControlTemplate kPreSaLayerControls[] = {
    {IDOK, ControlKind::PushButton, "确     认 (&Y)", {84, 7, 50, 19}, kDefaultButton | kTabStop},
    {IDCANCEL, ControlKind::PushButton, "取     消 (&N)", {84, 38, 50, 19}, kTabStop},
    {kNoId, ControlKind::Label, "选择烃源岩层位(&S):", {8, 18, 68, 10}, kAlignLeft},
    {kNoId, ControlKind::GroupBox, "", {4, 5, 76, 61}, 0},
    {kHorizonComboStatic,
     ControlKind::ComboBox,
     "",
     {9, 30, 64, 40},
     kDropDown | kVScroll | kTabStop},
};

}  // namespace

const DialogTemplate kGasType = {
    "10003",         "选择强度图类型", "System", 8, {60, 60, 159, 152}, kFrame | kCentered,
    kGasTypeControls};

const DialogTemplate kGetGasTypeDlg = {
    "GetGasTypeDlg",    "选择强度图类型",      "System",        8,
    {60, 60, 159, 152}, kFrame | kMinimizeBox, kGasTypeControls};

const DialogTemplate kHorizonSelection = {
    "10001", "选择层位", "System", 8, {60, 60, 137, 71}, kFrame, kHorizonSelectionControls};

const DialogTemplate kPreSaLayerDlg = {
    "PreSaLayerDlg",       "选择层位",         "System", 8, {60, 60, 137, 71},
    kFrame | kMinimizeBox, kPreSaLayerControls};

const DialogTemplate kContourInterval = {"10002",
                                         "输入油强度间距值",
                                         "宋体",
                                         11,
                                         {60, 60, 235, 93},
                                         kFrame | kCentered,
                                         kContourIntervalControls};

const DialogTemplate kGetOilDlg = {
    "GetOilDlg",           "输入油强度间距值",      "宋体", 11, {60, 60, 235, 93},
    kFrame | kMinimizeBox, kContourIntervalControls};

const DialogTemplate kGetGasIntenDlg = {
    "GETGASINTENDLG",      "输入生(排)气强度间距值", "宋体", 11, {60, 60, 236, 89},
    kFrame | kMinimizeBox, kGasIntervalControls};

std::span<const DialogTemplate> FrameworkTemplates() {
  static const std::array<DialogTemplate, 3> registered = {kHorizonSelection, kContourInterval,
                                                           kGasType};
  return registered;
}

}  // namespace strataplot::templates
