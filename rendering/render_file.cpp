#include <QFile>
#include <QImage>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>

#include "rendering/painting.h"
#include "rendering/pictures.h"

namespace rendering {
namespace {

constexpr int kResolution = 96;  // dots per inch of SVG and PDF pages

std::string Extension(const std::string& path) {
  const std::size_t dot = path.find_last_of('.');
  const std::size_t slash = path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string extension = path.substr(dot);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

// Paints onto the device, which has been given the picture's size.
bool PaintOn(QPaintDevice& device, const Picture& picture, const QRectF& target) {
  QPainter painter;
  if (!painter.begin(&device)) return false;
  picture.Paint(painter, target);
  return painter.end();
}

}  // namespace

bool IsPictureName(const std::string& out) {
  const std::string extension = Extension(out);
  return extension == ".png" || extension == ".svg" || extension == ".pdf";
}

std::unique_ptr<Picture> LoadPicture(const std::string& path, std::string& error) {
  if (mapreader::IsSaturationProfileName(path)) {
    mapreader::SaturationProfile profile;
    if (!mapreader::ReadSaturationProfile(path, profile, error)) return nullptr;
    return std::make_unique<ProfilePicture>(std::move(profile));
  }
  mapreader::IntensityMap map;
  if (!mapreader::ReadIntensityMap(path, map, error)) return nullptr;
  return std::make_unique<MapPicture>(std::move(map));
}

bool RenderToFile(const Picture& picture, const std::string& out, int width, std::string& error) {
  const double height = std::ceil(picture.HeightForWidth(width));
  const QSize size(width, static_cast<int>(height));
  const QRectF target(0, 0, size.width(), size.height());
  const QString name = Text(out);
  const std::string extension = Extension(out);
  bool written = false;
  if (extension == ".png") {
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull()) {
      error = out + ": a picture of " + std::to_string(width) + " x " +
              std::to_string(size.height()) + " pixels does not fit in memory";
      return false;
    }
    written = PaintOn(image, picture, target) && image.save(name, "PNG");
  } else if (extension == ".svg") {
    QSvgGenerator svg;
    svg.setFileName(name);
    svg.setSize(size);
    svg.setViewBox(target);
    svg.setResolution(kResolution);
    svg.setTitle(Text(picture.Title()));
    written = PaintOn(svg, picture, target) && QFile(name).size() > 0;
  } else if (extension == ".pdf") {
    QPdfWriter pdf(name);
    pdf.setResolution(kResolution);
    pdf.setTitle(Text(picture.Title()));
    pdf.setPageMargins(QMarginsF());
    pdf.setPageSize(QPageSize(QSizeF(size) * 72.0 / kResolution, QPageSize::Point));
    written = PaintOn(pdf, picture, QRectF(0, 0, pdf.width(), pdf.height()));
  } else {
    error = out + ": the picture's name must end in .png, .svg or .pdf";
    return false;
  }
  if (!written) {
    error = out + ": cannot be written";
    QFile::remove(name);
  }
  return written;
}

}  // namespace rendering
