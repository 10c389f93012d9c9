#include "property_bag.h"

#include <QStringList>

namespace sorane {

QVariant PropertyBag::read(const QString& key, const QVariant& defaultValue) const {
  for (const auto& [k, v] : entries_)
    if (k.compare(key, Qt::CaseInsensitive) == 0) return v;
  return defaultValue;
}

void PropertyBag::write(const QString& key, const QVariant& value, const QVariant& defaultValue) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->first.compare(key, Qt::CaseInsensitive) == 0) {
      entries_.erase(it);
      break;
    }
  }
  if (value == defaultValue) return;
  entries_.emplace_back(key, value);
}

bool PropertyBag::contains(const QString& key) const {
  for (const auto& entry : entries_)
    if (entry.first.compare(key, Qt::CaseInsensitive) == 0) return true;
  return false;
}

QStringList PropertyBag::keys() const {
  QStringList out;
  for (const auto& entry : entries_) out << entry.first;
  return out;
}

}  // namespace sorane
