#include "grids/gdal_support.h"

#include <cpl_conv.h>
#include <cpl_error.h>

#include <algorithm>
#include <limits>
#include <mutex>

namespace grids {

double NoDataFor(std::span<const float> values) {
  bool taken = std::find(values.begin(), values.end(), static_cast<float>(kNoData)) != values.end();
  return taken ? std::numeric_limits<float>::lowest() : kNoData;
}

GdalScope::GdalScope() {
  static std::once_flag registered;
  std::call_once(registered, GDALAllRegister);
  CPLPushErrorHandler(CPLQuietErrorHandler);
  if (const char* pam = CPLGetThreadLocalConfigOption("GDAL_PAM_ENABLED", nullptr)) {
    pamBefore_ = pam;
  }
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", "NO");
}

GdalScope::~GdalScope() {
  // A scope within another leaves the outer one's setting as it was.
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", pamBefore_ ? pamBefore_->c_str() : nullptr);
  CPLPopErrorHandler();
}

std::string LastError() {
  const char* message = CPLGetLastErrorMsg();
  return message != nullptr && *message != '\0' ? message : "unknown error";
}

bool CloseDataset(GDALDatasetUniquePtr& dataset) {
  CPLErrorReset();
  dataset.reset();
  return CPLGetLastErrorType() < CE_Failure;
}

void Remove(GDALDriver& driver, const std::string& path) {
  VSIStatBufL stat;
  if (VSIStatL(path.c_str(), &stat) != 0 || !VSI_ISREG(stat.st_mode)) return;
  if (driver.Delete(path.c_str()) != CE_None) VSIUnlink(path.c_str());
}

bool MakeRoom(GDALDriver& driver, const std::string& path, std::string& error) {
  VSIStatBufL stat;
  if (VSIStatL(path.c_str(), &stat) == 0 && !VSI_ISREG(stat.st_mode)) {
    error = "something that is not a file is in the way";
    return false;
  }
  Remove(driver, path);
  return true;
}

}  // namespace grids
