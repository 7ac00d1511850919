#include "batch/library.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace batch {

std::string ProgramDirectory() {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return ".";
  std::string program(path, static_cast<std::size_t>(length));
  return program.substr(0, program.find_last_of('/'));
}

std::string DirectoryHolding(const void* address) {
  Dl_info info{};
  if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return ".";
  std::error_code error;
  std::filesystem::path file = std::filesystem::canonical(info.dli_fname, error);
  if (error) return ".";
  return file.parent_path().string();
}

std::string LibraryPath(const std::string& which, const std::string& directory,
                        const std::string& installedRelative) {
  std::string file;
  if (which == "shared") {
    file = "libstrataplot.so";
  } else if (which == "static") {
    file = "libstrataplot-static.so";
  } else {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(which, error);
    return error ? which : absolute.string();
  }
  return ModulePath(file, directory, installedRelative);
}

std::string ModulePath(const std::string& fileName, const std::string& directory,
                       const std::string& installedRelative) {
  if (access((directory + "/" + fileName).c_str(), F_OK) == 0) return directory + "/" + fileName;
  return directory + "/" + installedRelative + "/" + fileName;
}

Library::~Library() {
  if (handle_ != nullptr) dlclose(handle_);
}

bool Library::Load(const std::string& path, std::string& error, Stay stay) {
  handle_ = dlopen(path.c_str(),
                   RTLD_NOW | RTLD_LOCAL | (stay == Stay::ForTheProcess ? RTLD_NODELETE : 0));
  if (handle_ == nullptr) error = dlerror();
  return handle_ != nullptr;
}

void* Library::Find(const char* symbol) const {
  return handle_ != nullptr ? dlsym(handle_, symbol) : nullptr;
}

}  // namespace batch
