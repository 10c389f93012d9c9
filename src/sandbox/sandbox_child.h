#pragma once

#include <functional>

#include "sandbox_frames.h"

namespace sorane::sandbox {

// The helper's side of a request: its answer, and progress before it.
class Replies {
 public:
  Replies(int fd, std::uint32_t id) : fd_(fd), id_(id) {}
  void reply(std::uint16_t kind, const QByteArray& payload);
  void progress(const QByteArray& payload) { reply(kProgressKind, payload); }
  bool replied() const { return replied_; }

 private:
  int fd_;
  std::uint32_t id_;
  bool replied_ = false;
};

using Handler = std::function<void(const Frame& request, Replies& out)>;

// Runs a helper: says it is ready, then hands each request from standard
// input to `handle` until the input ends (0) or breaks (1). Frames go out
// on what was standard output, which then points at standard error, so
// nothing else printed can get into them. Qt's messages are cut short. It
// renews the CPU-time limit the helper was started with before each
// request, and ends with kExitTooLarge when memory runs out.
int serve(const Handler& handle, std::uint32_t maxRequestBytes);

}  // namespace sorane::sandbox
