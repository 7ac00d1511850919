#include "qtui/dialog_font.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <array>
#include <mutex>

#include "platform/platform.h"

namespace qtui {
namespace {

constexpr std::array kSongFaces = {"宋体", "新宋体", "SimSun", "NSimSun"};
constexpr std::array kSongFamilies = {"AR PL UMing CN",    "AR PL UMing TW",
                                      "AR PL UMing HK",    "AR PL UMing TW MBE",
                                      "Noto Serif CJK SC", "Source Han Serif SC"};
constexpr std::array kSansFaces = {"System", "MS Shell Dlg", "MS Shell Dlg 2", "MS Sans Serif"};
constexpr std::array kSansFamilies = {"WenQuanYi Micro Hei", "WenQuanYi Zen Hei",
                                      "Noto Sans CJK SC", "Source Han Sans SC",
                                      "Droid Sans Fallback"};

template <std::size_t N>
bool IsOneOf(const QString& face, const std::array<const char*, N>& names) {
  for (const char* name : names) {
    if (face.compare(QString::fromUtf8(name), Qt::CaseInsensitive) == 0) return true;
  }
  return false;
}

template <std::size_t N>
QString FirstInstalled(const std::array<const char*, N>& families, const QStringList& installed) {
  for (const char* family : families) {
    if (installed.contains(QString::fromUtf8(family), Qt::CaseInsensitive)) {
      return QString::fromUtf8(family);
    }
  }
  return {};
}

}  // namespace

QString FamilyFor(const QString& face, const QStringList& installed, const QStringList& chinese) {
  QString family;
  if (IsOneOf(face, kSongFaces)) {
    family = FirstInstalled(kSongFamilies, installed);
  } else if (IsOneOf(face, kSansFaces) || !installed.contains(face, Qt::CaseInsensitive)) {
    family = FirstInstalled(kSansFamilies, installed);
  } else {
    family = face;
  }
  if (family.isEmpty() && !chinese.isEmpty()) family = chinese.front();
  return family;
}

QFont DialogFont(const platform::DialogTemplate& dialogTemplate) {
  QString face = QString::fromStdString(dialogTemplate.font != nullptr
                                            ? platform::GbkForDisplay(dialogTemplate.font)
                                            : std::string());
  QString family = FamilyFor(face, QFontDatabase::families(),
                             QFontDatabase::families(QFontDatabase::SimplifiedChinese));
  QFont font = QGuiApplication::font();
  if (family.isEmpty()) {
    static std::once_flag warned;
    std::call_once(warned, [] {
      qWarning(
          "strataplot: no Chinese font is installed (fonts-arphic-uming, fonts-wqy-microhei);"
          " dialogs use the default font");
    });
  } else {
    font.setFamilies({family});
  }
  int dpi = 96;
  if (QScreen* screen = QGuiApplication::primaryScreen())
    dpi = qRound(screen->logicalDotsPerInchY());
  font.setPixelSize(MulDiv(dialogTemplate.fontSize > 0 ? dialogTemplate.fontSize : 8, dpi, 72));
  return font;
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
  QFontMetrics metrics(font);
  int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return BaseUnitsFromMetrics(letters, metrics.ascent() + metrics.descent());
}

}  // namespace qtui
