#include "grids/styles.h"

#include <cstdio>

#include "mapreader/map_reader.h"

namespace grids {
namespace {

constexpr const char* kHeader = "<!DOCTYPE qgis PUBLIC 'http://mrcc.com/qgis.dtd' 'SYSTEM'>\n";

std::string Escaped(const std::string& text) {
  std::string escaped;
  for (char ch : text) {
    switch (ch) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += ch;
    }
  }
  return escaped;
}

// The pictures' legend: its classes' ranges.
mapreader::IntensityMap Legend(const ClassScale& scale) {
  mapreader::IntensityMap map;
  map.classCount = scale.highestCode;
  map.interval = static_cast<std::uint32_t>(scale.interval);
  return map;
}

// "68,1,84,255" and "#440154".
std::string Rgba(int code, int highest) {
  const auto [r, g, b] = mapreader::ClassRgb(code, highest);
  return std::to_string(r) + "," + std::to_string(g) + "," + std::to_string(b) + ",255";
}
std::string Hex(int code, int highest) {
  const auto [r, g, b] = mapreader::ClassRgb(code, highest);
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", r, g, b);
  return text;
}

// The upper bound of a class: 0, 2I, 3I ...
long long UpperBound(int code, int interval) {
  return code == 1 ? 0 : static_cast<long long>(code < 2 ? 2 : code) * interval;
}

}  // namespace

std::string RasterStyle(const ClassScale& scale) {
  const mapreader::IntensityMap legend = Legend(scale);
  const int highest = legend.HighestCode();
  std::string items;
  for (int code = 1; code <= highest; ++code) {
    items += "          <item alpha=\"255\" value=\"" +
             std::to_string(UpperBound(code, scale.interval)) + "\" label=\"" +
             Escaped(legend.RangeOf(code).Label()) + "\" color=\"" + Hex(code, highest) + "\"/>\n";
  }
  return std::string(kHeader) +
         "<qgis version=\"3.22.0\" styleCategories=\"Symbology\">\n"
         "  <pipe>\n"
         "    <rasterrenderer type=\"singlebandpseudocolor\" band=\"1\" opacity=\"1\" "
         "alphaBand=\"-1\" classificationMin=\"0\" classificationMax=\"" +
         std::to_string(UpperBound(highest, scale.interval)) +
         "\">\n"
         "      <rastershader>\n"
         "        <colorrampshader colorRampType=\"DISCRETE\" classificationMode=\"1\" "
         "clip=\"0\" labelPrecision=\"0\">\n" +
         items +
         "        </colorrampshader>\n"
         "      </rastershader>\n"
         "    </rasterrenderer>\n"
         "  </pipe>\n"
         "</qgis>\n";
}

std::string ContourStyle() {
  return std::string(kHeader) +
         "<qgis version=\"3.22.0\" styleCategories=\"Symbology|Labeling\" labelsEnabled=\"1\">\n"
         "  <renderer-v2 type=\"singleSymbol\" symbollevels=\"0\" enableorderby=\"0\" "
         "forceraster=\"0\">\n"
         "    <symbols>\n"
         "      <symbol type=\"line\" name=\"0\" alpha=\"1\" clip_to_extent=\"1\" "
         "force_rhr=\"0\">\n"
         "        <layer class=\"SimpleLine\" enabled=\"1\" locked=\"0\" pass=\"0\">\n"
         "          <prop k=\"line_color\" v=\"40,40,40,255\"/>\n"
         "          <prop k=\"line_style\" v=\"solid\"/>\n"
         "          <prop k=\"line_width\" v=\"0.3\"/>\n"
         "          <prop k=\"line_width_unit\" v=\"MM\"/>\n"
         "        </layer>\n"
         "      </symbol>\n"
         "    </symbols>\n"
         "    <rotation/>\n"
         "    <sizescale/>\n"
         "  </renderer-v2>\n"
         "  <labeling type=\"simple\">\n"
         "    <settings calloutType=\"simple\">\n"
         "      <text-style fieldName=\"level\" isExpression=\"0\" fontSize=\"8\" "
         "fontSizeUnit=\"Point\" textColor=\"0,0,0,255\" textOpacity=\"1\">\n"
         "        <text-buffer bufferDraw=\"1\" bufferSize=\"0.8\" bufferSizeUnits=\"MM\" "
         "bufferColor=\"255,255,255,255\" bufferOpacity=\"1\"/>\n"
         "      </text-style>\n"
         "      <text-format formatNumbers=\"1\" decimals=\"0\" plussign=\"0\"/>\n"
         "      <placement placement=\"3\" placementFlags=\"9\" repeatDistance=\"60\" "
         "repeatDistanceUnits=\"MM\"/>\n"
         "      <rendering drawLabels=\"1\" obstacle=\"1\"/>\n"
         "    </settings>\n"
         "  </labeling>\n"
         "</qgis>\n";
}

std::string BandStyle(const ClassScale& scale) {
  const mapreader::IntensityMap legend = Legend(scale);
  const int highest = legend.HighestCode();
  std::string categories, symbols;
  for (int code = 1; code <= highest; ++code) {
    const std::string name = std::to_string(code - 1);
    categories += "      <category symbol=\"" + name + "\" value=\"" +
                  std::to_string(UpperBound(code, scale.interval)) + "\" label=\"" +
                  Escaped(legend.RangeOf(code).Label()) + "\" render=\"true\"/>\n";
    symbols += "      <symbol type=\"fill\" name=\"" + name +
               "\" alpha=\"1\" clip_to_extent=\"1\" force_rhr=\"0\">\n"
               "        <layer class=\"SimpleFill\" enabled=\"1\" locked=\"0\" pass=\"0\">\n"
               "          <prop k=\"color\" v=\"" +
               Rgba(code, highest) +
               "\"/>\n"
               "          <prop k=\"style\" v=\"solid\"/>\n"
               "          <prop k=\"outline_style\" v=\"no\"/>\n"
               "        </layer>\n"
               "      </symbol>\n";
  }
  return std::string(kHeader) +
         "<qgis version=\"3.22.0\" styleCategories=\"Symbology\">\n"
         "  <renderer-v2 type=\"categorizedSymbol\" attr=\"max\" symbollevels=\"0\" "
         "enableorderby=\"0\" forceraster=\"0\">\n"
         "    <categories>\n" +
         categories +
         "    </categories>\n"
         "    <symbols>\n" +
         symbols +
         "    </symbols>\n"
         "  </renderer-v2>\n"
         "</qgis>\n";
}

}  // namespace grids
