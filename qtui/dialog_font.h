// The fonts of dialog templates on this system.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

#include "platform/dialog.h"
#include "qtui/dialog_units.h"

namespace qtui {

// The installed family that shows a template's font face (UTF-8):
// - "宋体" (and its other names) a Song/Ming-style CJK font: AR PL UMing
//   (Debian's fonts-arphic-uming), or another serif CJK font;
// - "System" (and the other dialog faces) a sans CJK font: WenQuanYi Micro Hei
//   (fonts-wqy-microhei), or another sans CJK font;
// - any other face itself when it is installed.
// Fallback when none of those is installed: the first of chinese (the
// installed families that write Simplified Chinese), and failing that an
// empty name, which stands for the application's default font; Chinese texts
// then show in whatever font the font system substitutes, or as boxes.
QString FamilyFor(const QString& face, const QStringList& installed, const QStringList& chinese);

// The template's font on this system: FamilyFor its face at the template's
// size in points, as pixels at the screen's logical resolution.
QFont DialogFont(const platform::DialogTemplate& dialogTemplate);

// The dialog base units of a font.
DialogBaseUnits BaseUnitsOf(const QFont& font);

}  // namespace qtui
