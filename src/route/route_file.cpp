#include "route_file.h"

#include "cp932.h"

namespace sorane {
namespace {

std::uint16_t u16(const QByteArray& b, qsizetype at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    (static_cast<unsigned char>(b[at + 1]) << 8));
}

void put16(QByteArray& out, std::uint16_t v) {
  out.append(static_cast<char>(v & 0xFF));
  out.append(static_cast<char>(v >> 8));
}

constexpr int kValueBytes = 151 * 2;

}  // namespace

RouteFile parseRouteFile(const QByteArray& bytes) {
  RouteFile f;
  if (bytes.size() < 2) {
    f.status = RouteFile::Status::Empty;
    return f;
  }
  f.count = static_cast<std::int16_t>(u16(bytes, 0));
  if (f.count == 0) {
    f.status = RouteFile::Status::Empty;
    return f;
  }
  if (f.count < 0) {
    f.status = RouteFile::Status::Negative;
    return f;
  }
  if (f.count > kRouteRows) {
    f.status = RouteFile::Status::TooMany;
    return f;
  }
  f.rows.reserve(static_cast<std::size_t>(f.count));
  qsizetype at = 2;
  for (int row = 1; row <= f.count; ++row) {
    if (at + 2 > bytes.size()) {
      f.status = RouteFile::Status::Truncated;
      f.badRow = row;
      return f;
    }
    const int nameLength = u16(bytes, at);
    at += 2;
    if (at + nameLength > bytes.size()) {
      f.status = RouteFile::Status::Truncated;
      f.badRow = row;
      f.nameCut = true;
      return f;
    }
    RouteRow r;
    const QByteArray name = bytes.mid(at, nameLength);
    r.StopName = cp932::decode(name);
    if (cp932::encode(r.StopName) != name) f.badNames.push_back(row);
    at += nameLength;
    if (at + kValueBytes > bytes.size()) {
      f.status = RouteFile::Status::Truncated;
      f.badRow = row;
      return f;
    }
    for (int k = 0; k < 151; ++k) r.Values[k] = static_cast<std::int16_t>(u16(bytes, at + 2 * k));
    at += kValueBytes;
    f.rows.push_back(std::move(r));
  }
  f.bytesUsed = at;
  return f;
}

QByteArray encodeRouteFile(const std::vector<RouteRow>& rows) {
  QByteArray out;
  put16(out, static_cast<std::uint16_t>(rows.size()));
  for (const RouteRow& r : rows) {
    const QByteArray name = cp932::encode(r.StopName);
    put16(out, static_cast<std::uint16_t>(name.size()));
    out.append(name);
    for (std::int16_t v : r.Values) put16(out, static_cast<std::uint16_t>(v));
  }
  return out;
}

}  // namespace sorane
