#pragma once

#include <QColor>
#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QRegion>

#include "lcd_scene.h"

namespace sorane::lcd {

// The colours of a scheme at full light.
struct Palette {
  QColor background, label, labelText, name, accent;
  QColor cell, number, numberText, cash, ic, tierLine, cashLabel, icLabel, tierLabelText;
  QColor bottom, bottomText, night, nightText, request, requestText;
};
// A scheme's colours under a backlight: OFF about 30 %, ON1 normal, ON2
// bright.
Palette palette(Scheme scheme, BoardModel::Backlight backlight);
// How much light each backlight state gives, 0..1.
qreal backlightLevel(BoardModel::Backlight backlight);

// The three horizontal parts of the face, redrawn on their own.
QRect bandPart();
QRect tablePart();
QRect bottomPart();

// Draws scenes into a frame at a scale. It keeps the last frame and redraws
// only the parts whose scene changed; long texts are kept as pictures, so a
// scroll step moves a picture.
class Renderer {
 public:
  // The frame for `scene`, `scale` device pixels to a logical one (the
  // image's device pixel ratio). Returns the logical parts redrawn.
  QRegion render(const Scene& scene, Scheme scheme, int scale);
  const QImage& frame() const { return frame_; }

 private:
  struct PictureKey {
    QString text;
    Language language;
    int size;
    qreal stretch;
    QRgb color;
    int scale;
    bool operator==(const PictureKey&) const = default;
  };
  friend size_t qHash(const PictureKey& k, size_t seed);
  // `text` on a transparent picture as high as its line, condensed by
  // `stretch`. Large type is drawn as outlines, so it is drawn once.
  const QImage& textPicture(const PictureKey& key);
  // The name's inked rows on the band's background, from the picture's
  // first device pixel: a scroll step copies it at its offset, blending
  // nothing and leaving the blank rows alone.
  const QImage& nameStrip(const PictureKey& key, const QColor& background);
  // `text` in `r`, condensed to fit down to kMinStretch, then smaller.
  void drawLine(QPainter& p, const QRectF& r, const QString& text, Language language, qreal size,
                const QColor& color, Qt::Alignment align, int scale);
  void drawBand(QPainter& p, const Scene& s, const Palette& c, int scale);
  // The name in its part; returns the logical pixels drawn.
  QRect drawName(QPainter& p, const BandScene& b, const Palette& c, int scale);
  void drawTable(QPainter& p, const Scene& s, const Palette& c, int scale);
  void drawBottom(QPainter& p, const Scene& s, const Palette& c, int scale);

  QImage frame_;
  Scene last_;
  Scheme lastScheme_ = Scheme::Black;
  bool valid_ = false;
  QHash<PictureKey, QImage> pictures_;
  qsizetype pictureBytes_ = 0;
  QImage strip_;
  PictureKey stripKey_;
  QRgb stripBackground_ = 0;
  int stripTop_ = 0;  // the strip's first row in the picture
};

// One frame of `model` at `now`, drawn afresh: for a recorder or a test.
QImage renderFrame(const BoardModel& model, const QDateTime& now, int scale, Scheme scheme);

}  // namespace sorane::lcd
