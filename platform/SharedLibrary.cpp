#include "platform/SharedLibrary.h"

#include <dlfcn.h>

namespace sondrel {

SharedLibrary::SharedLibrary(const char* name) : name_(name) {
  handle_ = dlopen(name, RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) problem_ = dlerror();
}

void* SharedLibrary::Symbol(const char* symbol) {
  void* address = handle_ != nullptr ? dlsym(handle_, symbol) : nullptr;
  if (address == nullptr && problem_.empty()) problem_ = name_ + " has no " + symbol;
  return address;
}

}  // namespace sondrel
