#include "platform/FileCalls.h"

#include <unistd.h>

#include <cstdio>

namespace sondrel {

namespace {
// Filled before the program runs, so that a signal handler may read it.
constinit FileCalls gCalls{::write, ::pwrite, ::fsync, ::rename, ::unlink};
}  // namespace

FileCalls& SystemFileCalls() { return gCalls; }

}  // namespace sondrel
