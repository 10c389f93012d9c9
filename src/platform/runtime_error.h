#pragma once

#include <QString>
#include <stdexcept>

namespace sorane {

// A failure with the classic run-time error number the messages show.
class RuntimeError : public std::runtime_error {
 public:
  explicit RuntimeError(int number, const QString& description = {});
  int number() const { return number_; }
  QString description() const { return description_; }

 private:
  int number_;
  QString description_;
};

// Error numbers used by this program.
namespace err {
inline constexpr int kOutOfMemory = 7;
inline constexpr int kSubscriptOutOfRange = 9;
inline constexpr int kBadFileNameOrNumber = 52;
inline constexpr int kFileNotFound = 53;
inline constexpr int kDeviceIo = 57;
inline constexpr int kDiskFull = 61;
inline constexpr int kInputPastEnd = 62;
inline constexpr int kDeviceUnavailable = 68;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kPathFileAccess = 75;
inline constexpr int kPathNotFound = 76;
inline constexpr int kObjectNotSet = 91;
inline constexpr int kInvalidPropertyValue = 380;
inline constexpr int kInvalidPicture = 481;
}  // namespace err

// The standard description of a run-time error number.
QString runtimeErrorDescription(int number);

}  // namespace sorane
