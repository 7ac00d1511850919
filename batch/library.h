// The modules a host loads at run time: the builds of the library and the
// host's own optional parts.
#pragma once

#include <string>

namespace batch {

// Where the library `which` names is: "shared" and "static" name the builds
// in `directory` (the build tree, where everything lies side by side) or, when
// they are not there, in directory/installedRelative (the library folder of an
// installed tree); anything else is a path, taken from the current directory
// when it is relative. The result is absolute, so it stays valid after a
// change of directory.
std::string LibraryPath(const std::string& which, const std::string& directory,
                        const std::string& installedRelative);

// The path of one of our modules by its file name, found the same way.
std::string ModulePath(const std::string& fileName, const std::string& directory,
                       const std::string& installedRelative);

// The directory of the running program (/proc/self/exe), "." when unknown.
std::string ProgramDirectory();

// The directory of the loaded file (program or shared library) that holds
// address, "." when unknown.
std::string DirectoryHolding(const void* address);

// A loaded library, unloaded when the object goes.
class Library {
 public:
  Library() = default;
  ~Library();
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // Loads the library at path; false with the reason in error. A library
  // loaded to stay is never unloaded, not even when this object goes: what
  // it made (Qt's and GDAL's state, its own statics) lives until the process
  // ends.
  enum class Stay { UntilClosed, ForTheProcess };
  bool Load(const std::string& path, std::string& error, Stay stay = Stay::UntilClosed);
  // The address of the symbol, nullptr when the library does not define it.
  void* Find(const char* symbol) const;
  template <typename Function>
  Function FindFunction(const char* symbol) const {
    return reinterpret_cast<Function>(Find(symbol));
  }

 private:
  void* handle_ = nullptr;
};

}  // namespace batch
