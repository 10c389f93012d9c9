#pragma once

#include <QHashFunctions>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace sorane::gtfs {

// A hash of what a feed holds, seeded afresh in each run (Qt's global
// seed), so that no feed can be made whose ids all fall on one slot.
inline std::size_t seededHash(std::string_view s) {
  return qHashBits(s.data(), s.size(), QHashSeed::globalSeed());
}
inline std::size_t seededHash(std::uint64_t v) {
  // splitmix64 over the seeded value
  std::uint64_t z = v + 0x9E3779B97F4A7C15ull + QHashSeed::globalSeed();
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return static_cast<std::size_t>(z ^ (z >> 31));
}

// A hash map in one array (open addressing, linear probing), for the
// indexes of a feed: millions of entries without an allocation each.
// `Hash` gives a key's hash; keys compare with ==. Entries are never
// removed; what find() returns stays valid until the next insertion.
template <typename Key, typename Value, typename Hash>
class FlatMap {
 public:
  // Room for `n` entries without growing.
  void reserve(std::size_t n) {
    std::size_t capacity = 16;
    while (capacity < n * 2) capacity *= 2;
    if (capacity > slots_.size()) rehash(capacity);
  }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  const Value* find(const Key& key) const {
    if (slots_.empty()) return nullptr;
    const std::size_t h = Hash{}(key);
    for (std::size_t i = h & mask();; i = (i + 1) & mask()) {
      const Slot& s = slots_[i];
      if (s.tag == 0) return nullptr;
      if (s.tag == tagOf(h) && s.key == key) return &s.value;
    }
  }
  Value* find(const Key& key) {
    return const_cast<Value*>(static_cast<const FlatMap*>(this)->find(key));
  }
  bool contains(const Key& key) const { return find(key) != nullptr; }

  // The value of `key`, `value` put there when there was none; true when
  // it was put.
  std::pair<Value*, bool> tryEmplace(const Key& key, Value value) {
    if ((size_ + 1) * 2 > slots_.size()) rehash(slots_.empty() ? 16 : slots_.size() * 2);
    const std::size_t h = Hash{}(key);
    for (std::size_t i = h & mask();; i = (i + 1) & mask()) {
      Slot& s = slots_[i];
      if (s.tag == 0) {
        s = Slot{key, std::move(value), tagOf(h)};
        ++size_;
        return {&s.value, true};
      }
      if (s.tag == tagOf(h) && s.key == key) return {&s.value, false};
    }
  }
  // The value of `key`, made when there was none.
  Value& operator[](const Key& key) { return *tryEmplace(key, Value()).first; }

  // Calls `f(key, value)` for every entry.
  template <typename F>
  void forEach(F f) {
    for (Slot& s : slots_)
      if (s.tag != 0) f(static_cast<const Key&>(s.key), s.value);
  }

 private:
  struct Slot {
    Key key{};
    Value value{};
    std::uint32_t tag = 0;  // part of the hash, never 0; 0 for an empty slot
  };
  static std::uint32_t tagOf(std::size_t hash) {
    return static_cast<std::uint32_t>(hash >> 32) | 1u;
  }
  std::size_t mask() const { return slots_.size() - 1; }
  void rehash(std::size_t capacity) {
    std::vector<Slot> old(capacity);
    old.swap(slots_);
    for (Slot& s : old) {
      if (s.tag == 0) continue;
      for (std::size_t i = Hash{}(s.key) & mask();; i = (i + 1) & mask())
        if (slots_[i].tag == 0) {
          slots_[i] = std::move(s);
          break;
        }
    }
  }

  std::vector<Slot> slots_;
  std::size_t size_ = 0;
};

struct ViewHash {
  std::size_t operator()(std::string_view s) const { return seededHash(s); }
};

}  // namespace sorane::gtfs
