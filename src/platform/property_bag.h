#pragma once

#include <QString>
#include <QVariant>
#include <utility>
#include <vector>

namespace sorane {

// A host's store of an element's saved properties: values by name, names
// matched without regard to case, kept in the order they were written.
class PropertyBag {
 public:
  // The value stored under `key`, or `defaultValue` when there is none.
  QVariant read(const QString& key, const QVariant& defaultValue) const;
  // Stores `value` under `key`; a value equal to its default is not stored.
  void write(const QString& key, const QVariant& value, const QVariant& defaultValue);

  bool contains(const QString& key) const;
  QStringList keys() const;

 private:
  std::vector<std::pair<QString, QVariant>> entries_;
};

}  // namespace sorane
