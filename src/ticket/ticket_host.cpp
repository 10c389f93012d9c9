#include "ticket_host.h"

#include <QDir>
#include <QFileInfo>
#include <list>
#include <mutex>

namespace sorane::ticket {
namespace {

constexpr std::size_t kCacheEntries = 8;

struct Entry {
  FileStamp file;
  std::vector<FileStamp> pictures;
  Loaded loaded;
  bool picturesCurrent() const {
    for (const FileStamp& p : pictures)
      if (!p.current()) return false;
    return true;
  }
};

Loaded read(const QString& path, std::vector<FileStamp>& pictureStamps) {
  Loaded out;
  QByteArray bytes;
  QString error;
  if (!readCapped(path, kMaxFileBytes, bytes, error)) {
    out.problems.push_back({{}, error});
    return out;
  }
  ParseResult parsed = parseTicket(bytes);
  if (!parsed.description) {
    out.problems = std::move(parsed.problems);
    return out;
  }
  const QString folder = QFileInfo(path).absolutePath();
  for (const Item& item : parsed.description->items)
    if (item.kind == ItemKind::Picture)
      pictureStamps.push_back(FileStamp::of(QDir(folder).filePath(item.file)));
  auto plugin = std::make_shared<Plugin>();
  plugin->pictures = loadPictures(*parsed.description, folder, out.problems);
  if (!out.problems.empty()) return out;
  plugin->description = std::move(*parsed.description);
  out.plugin = std::move(plugin);
  return out;
}

}  // namespace

Loaded loadPlugin(const QString& path) {
  static std::mutex mutex;
  static std::list<Entry> cache;
  if (path.isEmpty()) return {nullptr, {{{}, QStringLiteral("ファイル名が空です")}}};
  std::lock_guard lock(mutex);
  const FileStamp stamp = FileStamp::of(path);
  for (auto it = cache.begin(); it != cache.end(); ++it) {
    if (it->file.path != path) continue;
    if (it->file == stamp && it->picturesCurrent()) {
      cache.splice(cache.begin(), cache, it);
      return it->loaded;
    }
    cache.erase(it);
    break;
  }
  Entry e;
  e.file = stamp;
  e.loaded = read(path, e.pictures);
  cache.push_front(e);
  if (cache.size() > kCacheEntries) cache.pop_back();
  return e.loaded;
}

}  // namespace sorane::ticket
