#pragma once

#include <cstdint>

// The requests sandbox_test_child answers.
namespace sorane::sandbox::test {
inline constexpr std::uint16_t kEcho = 1;        // the payload back
inline constexpr std::uint16_t kSleep = 2;       // u32 milliseconds of sleep
inline constexpr std::uint16_t kAllocate = 3;    // u32 MiB allocated and touched
inline constexpr std::uint16_t kCrash = 4;       // SIGSEGV
inline constexpr std::uint16_t kSpin = 5;        // u32 milliseconds of CPU time, 0 for ever
inline constexpr std::uint16_t kProgress = 6;    // three progress frames, then the answer
inline constexpr std::uint16_t kGrandchild = 7;  // starts `sleep 60`, answers its pid
inline constexpr std::uint16_t kTwoAnswers = 8;  // answers twice
}  // namespace sorane::sandbox::test
