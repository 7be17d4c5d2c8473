#pragma once
// A shared library opened at run time, and its functions looked up by name:
// what SdlLibrary and SndfileLibrary load their functions with.

#include <string>

namespace sondrel {

class SharedLibrary {
 public:
  // Opens the library for good (it is never closed); Problem() says why not.
  explicit SharedLibrary(const char* name);
  bool Opened() const { return handle_ != nullptr; }
  const std::string& Problem() const { return problem_; }

  // Points `function` at the symbol; false, with the problem kept, when the
  // library has no such symbol.
  template <typename Function>
  bool Find(const char* symbol, Function*& function) {
    function = reinterpret_cast<Function*>(Symbol(symbol));
    return function != nullptr;
  }

 private:
  void* Symbol(const char* symbol);

  std::string name_;
  void* handle_ = nullptr;
  std::string problem_;
};

}  // namespace sondrel
