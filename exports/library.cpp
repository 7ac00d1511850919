// The library is made of the core and one build flavour; see cmake/library.cmake.
