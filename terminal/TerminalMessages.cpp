#include "terminal/TerminalMessages.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace sondrel {

int UsageError(const std::string& problem) {
  std::cerr << "sondrel: " << problem << "\nTry 'sondrel --help' for more information.\n";
  return kExitUsage;
}

int Failure(const std::string& problem) {
  std::cerr << "sondrel: " << problem << "\n";
  return kExitFailure;
}

void Note(const std::string& text) { std::cerr << "sondrel: " << text << "\n"; }

int StandardOutputWritten() {
  std::cout.flush();
  if (std::cout.good() && std::fflush(stdout) == 0) return kExitOk;
  return Failure(std::string("standard output: ") + std::strerror(errno != 0 ? errno : EIO));
}

}  // namespace sondrel
