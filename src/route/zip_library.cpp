// libzip, opened at the first zip a feed reader reads rather than with the
// program: together with the libcrypto it brings, loading it would cost
// every start several milliseconds. These definitions stand in for the
// libzip functions the reader calls and forward to the real ones.
#include <dlfcn.h>
#include <zip.h>

#include <QString>

#include "gtfs_feed.h"

namespace {

const QString kNoLibrary = QStringLiteral("ZIPファイルを読むライブラリ %1 を開けません");

void* symbol(const char* name) {
  static void* const library = dlopen(SORANE_LIBZIP_SONAME, RTLD_NOW | RTLD_LOCAL);
  void* f = library ? dlsym(library, name) : nullptr;
  if (!f) throw sorane::gtfs::FeedError(kNoLibrary.arg(QStringLiteral(SORANE_LIBZIP_SONAME)));
  return f;
}

// The real function of the same name and type, looked up once.
#define SORANE_REAL(name) \
  static const auto real = reinterpret_cast<decltype(&::name)>(symbol(#name))

}  // namespace

void zip_error_init(zip_error_t* error) {
  SORANE_REAL(zip_error_init);
  real(error);
}
void zip_error_fini(zip_error_t* error) {
  SORANE_REAL(zip_error_fini);
  real(error);
}
int zip_error_code_zip(const zip_error_t* error) {
  SORANE_REAL(zip_error_code_zip);
  return real(error);
}
const char* zip_error_strerror(zip_error_t* error) {
  SORANE_REAL(zip_error_strerror);
  return real(error);
}
zip_source_t* zip_source_buffer_create(const void* data, zip_uint64_t length, int freeData,
                                       zip_error_t* error) {
  SORANE_REAL(zip_source_buffer_create);
  return real(data, length, freeData, error);
}
void zip_source_free(zip_source_t* source) {
  SORANE_REAL(zip_source_free);
  real(source);
}
zip_t* zip_open_from_source(zip_source_t* source, int flags, zip_error_t* error) {
  SORANE_REAL(zip_open_from_source);
  return real(source, flags, error);
}
void zip_discard(zip_t* archive) {
  SORANE_REAL(zip_discard);
  real(archive);
}
const char* zip_strerror(zip_t* archive) {
  SORANE_REAL(zip_strerror);
  return real(archive);
}
zip_int64_t zip_get_num_entries(zip_t* archive, zip_flags_t flags) {
  SORANE_REAL(zip_get_num_entries);
  return real(archive, flags);
}
const char* zip_get_name(zip_t* archive, zip_uint64_t index, zip_flags_t flags) {
  SORANE_REAL(zip_get_name);
  return real(archive, index, flags);
}
void zip_stat_init(zip_stat_t* stat) {
  SORANE_REAL(zip_stat_init);
  real(stat);
}
int zip_stat_index(zip_t* archive, zip_uint64_t index, zip_flags_t flags, zip_stat_t* stat) {
  SORANE_REAL(zip_stat_index);
  return real(archive, index, flags, stat);
}
zip_file_t* zip_fopen_index(zip_t* archive, zip_uint64_t index, zip_flags_t flags) {
  SORANE_REAL(zip_fopen_index);
  return real(archive, index, flags);
}
zip_int64_t zip_fread(zip_file_t* file, void* buffer, zip_uint64_t length) {
  SORANE_REAL(zip_fread);
  return real(file, buffer, length);
}
const char* zip_file_strerror(zip_file_t* file) {
  SORANE_REAL(zip_file_strerror);
  return real(file);
}
int zip_fclose(zip_file_t* file) {
  SORANE_REAL(zip_fclose);
  return real(file);
}
