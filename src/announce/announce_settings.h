#pragma once

#include <QString>

namespace sorane {

// What the announcements keep between runs: in view.ini under [announce],
// beside the kept scale, never in the settings file.
struct AnnounceSettings {
  // 「英語の放送」: English after the Japanese announcements.
  bool english = false;

  // A missing file or value gives the default.
  static AnnounceSettings load(const QString& file);
  // Keeps every other key of the file.
  bool save(const QString& file) const;
};

}  // namespace sorane
