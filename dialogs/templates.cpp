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
    {kPromptLabel, ControlKind::Label, "输入强度间距值(万吨/平方公里):", {6, 10, 187, 14}, kAlignLeft},
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

}  // namespace

const DialogTemplate kContourInterval = {
    "10002", "输入油强度间距值", "宋体", 11, {60, 60, 235, 93}, kFrame | kCentered,
    kContourIntervalControls};

const DialogTemplate kGetOilDlg = {
    "GetOilDlg", "输入油强度间距值", "宋体", 11, {60, 60, 235, 93}, kFrame | kMinimizeBox,
    kContourIntervalControls};

const DialogTemplate kGetGasIntenDlg = {
    "GETGASINTENDLG", "输入生(排)气强度间距值", "宋体", 11, {60, 60, 236, 89},
    kFrame | kMinimizeBox, kGasIntervalControls};

std::span<const DialogTemplate> FrameworkTemplates() {
  static const std::array<DialogTemplate, 1> registered = {kContourInterval};
  return registered;
}

}  // namespace strataplot::templates
