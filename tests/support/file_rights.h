#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>

namespace sorane::test {

// For its life this thread holds no right to override file permissions,
// as for any user (root keeps them permitted and takes them back after).
struct WithoutFileRights {
  WithoutFileRights() {
    syscall(SYS_capget, &header, caps);
    saved = caps[0].effective;
    caps[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    syscall(SYS_capset, &header, caps);
  }
  ~WithoutFileRights() {
    caps[0].effective = saved;
    syscall(SYS_capset, &header, caps);
  }
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct caps[2]{};
  std::uint32_t saved = 0;
};

}  // namespace sorane::test
