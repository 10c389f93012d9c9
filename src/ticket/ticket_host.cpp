#include "ticket_host.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <list>
#include <mutex>
#include <new>

#include "ticket_render.h"

namespace sorane::ticket {
namespace {

constexpr std::size_t kCacheEntries = 8;

struct Entry {
  FileStamp file;
  Reading reading = Reading::Checked;
  std::vector<FileStamp> pictures;
  Loaded loaded;
  bool picturesCurrent() const {
    for (const FileStamp& p : pictures)
      if (!p.current()) return false;
    return true;
  }
};

Loaded read(const QString& path, Reading reading, std::vector<FileStamp>& pictureStamps) {
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
  plugin->pictures =
      loadPictures(*parsed.description, folder, out.problems, reading == Reading::Decoded);
  if (!out.problems.empty()) return out;
  plugin->description = std::move(*parsed.description);
  out.plugin = std::move(plugin);
  return out;
}

}  // namespace

Loaded loadPlugin(const QString& path, Reading reading) {
  static std::mutex mutex;
  static std::list<Entry> cache;
  if (path.isEmpty()) return {nullptr, {{{}, QStringLiteral("ファイル名が空です")}}};
  std::lock_guard lock(mutex);
  const FileStamp stamp = FileStamp::of(path);
  for (auto it = cache.begin(); it != cache.end(); ++it) {
    if (it->file.path != path || it->reading != reading) continue;
    if (it->file == stamp && it->picturesCurrent()) {
      cache.splice(cache.begin(), cache, it);
      return it->loaded;
    }
    cache.erase(it);
    break;
  }
  Entry e;
  e.file = stamp;
  e.reading = reading;
  e.loaded = read(path, reading, e.pictures);
  cache.push_front(e);
  if (cache.size() > kCacheEntries) cache.pop_back();
  return e.loaded;
}

DrawReply drawOrder(const DrawOrder& order) {
  DrawReply reply;
  const Loaded loaded = loadPlugin(order.path, Reading::Decoded);
  if (!loaded.plugin) {
    reply.problems = loaded.problems;
    return reply;
  }
  QImage image(order.pixels, QImage::Format_RGB32);
  // No memory for the picture: in the helper, that ends it as too large.
  if (image.isNull()) throw std::bad_alloc();
  image.fill(Qt::white);
  QPainter painter(&image);
  reply.problems =
      renderTicket(painter, loaded.plugin->description, loaded.plugin->pictures, order.values);
  painter.end();
  reply.drawn = true;
  reply.image = std::move(image);
  return reply;
}

}  // namespace sorane::ticket
