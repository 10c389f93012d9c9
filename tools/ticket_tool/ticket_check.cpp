#include "ticket_check.h"

#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <array>

#include "sandbox_child.h"
#include "ticket_format.h"
#include "ticket_host.h"
#include "ticket_render.h"
#include "twips.h"

namespace sorane::tickettool {
namespace {

QString located(const QString& path, const ticket::Problem& p) {
  const QString message = p.warning ? QStringLiteral("警告: ") + p.message : p.message;
  if (p.pos.line <= 0) return QStringLiteral("%1: %2").arg(path, message);
  return QStringLiteral("%1:%2:%3: %4").arg(path).arg(p.pos.line).arg(p.pos.column).arg(message);
}

QStringList problemLines(const QString& path, const std::vector<ticket::Problem>& problems) {
  QStringList out;
  for (const ticket::Problem& p : problems) out << located(path, p);
  out << QStringLiteral("%1: 整理券プラグインとして使えません(%2 件)")
             .arg(path)
             .arg(problems.size());
  return out;
}

const std::array<const char16_t*, 14> kFieldNames = {u"版",
                                                     u"幅 (twips)",
                                                     u"高さ (twips)",
                                                     u"日付の印字",
                                                     u"時刻の印字",
                                                     u"系統番号の印字",
                                                     u"停名の印字",
                                                     u"バーコード印字",
                                                     u"バーコード本数",
                                                     u"設定可能な系統の最大",
                                                     u"バーコード系統方式",
                                                     u"停留所認識範囲の最初",
                                                     u"停留所認識範囲の最後",
                                                     u"社名の数"};

// The ticket's preview size at 1x, as the panel sizes it.
QSize previewSize(const ticket::Description& d) {
  const auto f = ticket::capabilityFields(d);
  return QSize(px(f[1]), px(f[2]));
}

// What went wrong when the ticket was drawn: not usable (its problems),
// or a limit broken.
std::vector<ticket::Problem> failureProblems(const ticket::DrawResult& r,
                                             const ticket::TicketLimits& limits,
                                             const QString& what) {
  if (r.failure == ticket::DrawFailure::Refused) return r.problems;
  QString why = ticket::failureText(r, limits);
  if (!r.detail.isEmpty()) why += QStringLiteral("(%1)").arg(r.detail);
  return {{{}, QStringLiteral("%1を描けません: %2").arg(what, why)}};
}

}  // namespace

QStringList checkPlugin(const QString& path, bool* ok, ticket::TicketHelper& helper) {
  const ticket::Loaded loaded = ticket::loadPlugin(path, ticket::Reading::Checked);
  *ok = false;
  if (!loaded.plugin) return problemLines(path, loaded.problems);
  const ticket::Description& d = loaded.plugin->description;
  std::vector<ticket::Problem> errors, warnings;
  for (int scale = 1; scale <= 3 && errors.empty(); ++scale) {
    const ticket::DrawResult r =
        helper.drawNow({path, previewSize(d) * scale, ticket::sampleValues(d)});
    if (r.failure != ticket::DrawFailure::None) {
      errors = failureProblems(r, helper.limits(), QStringLiteral("%1 倍の券").arg(scale));
      break;
    }
    // Texts cut and barcodes left white at every scale alike: told once.
    if (scale > 1) continue;
    for (const ticket::Problem& p : r.problems) (p.warning ? warnings : errors).push_back(p);
  }
  if (!errors.empty()) return problemLines(path, errors);
  *ok = true;
  const auto f = ticket::capabilityFields(d);
  QStringList out;
  out << QStringLiteral("%1: 使えます").arg(path);
  out << QStringLiteral("  券の大きさ %1 × %2 mm、プレビュー %3 × %4 ピクセル")
             .arg(d.size.width())
             .arg(d.size.height())
             .arg(px(f[1]))
             .arg(px(f[2]));
  for (std::size_t i = 0; i < f.size(); ++i)
    out << QStringLiteral("  %1 %2: %3")
               .arg(i + 1, 2)
               .arg(QString::fromUtf16(kFieldNames[i]))
               .arg(f[i]);
  out << QStringLiteral("  描く項目 %1 個").arg(d.items.size());
  for (qsizetype i = 0; i < d.companies.size(); ++i)
    out << QStringLiteral("  社名 %1: %2").arg(i + 1).arg(d.companies[i]);
  for (const QString& note : d.notes) out << QStringLiteral("  特記事項: %1").arg(note);
  for (const ticket::Problem& p : warnings) out << located(path, p);
  return out;
}

ticket::FieldValues defaultValues(const QDateTime& now) {
  ticket::FieldValues v;
  v.stop = QStringLiteral("ソラネ駅前");
  v.date = now.date().toString(QStringLiteral("MM-dd-yyyy"));
  v.time = now.time().toString(QStringLiteral("HH:mm:ss"));
  v.route = 1;
  v.ticket = 1;
  v.index = 1;
  v.company = 0;
  return v;
}

bool setValue(const QString& assignment, ticket::FieldValues& v, QString& error) {
  const qsizetype eq = assignment.indexOf(u'=');
  const QString name = assignment.left(eq);
  const QString value = assignment.mid(eq + 1);
  struct Number {
    const char* name;
    std::int32_t* target;
    int min, max;
    int first = 0;  // the number kept as 0
  };
  // Companies count from 1, as `company=` of the items does.
  const std::array<Number, 4> numbers = {{{"route", &v.route, 0, 99999},
                                          {"ticket", &v.ticket, -32768, 32767},
                                          {"index", &v.index, -32768, 32767},
                                          {"company", &v.company, 1, ticket::kMaxCompanies, 1}}};
  if (eq > 0) {
    if (name == QLatin1String("stop")) return v.stop = value, true;
    if (name == QLatin1String("date")) return v.date = value, true;
    if (name == QLatin1String("time")) return v.time = value, true;
    for (const Number& n : numbers) {
      if (name != QLatin1String(n.name)) continue;
      bool isNumber = false;
      const int x = value.toInt(&isNumber);
      if (!isNumber || x < n.min || x > n.max) {
        error = QStringLiteral("%1 は %2〜%3 の整数です").arg(name).arg(n.min).arg(n.max);
        return false;
      }
      *n.target = x - n.first;
      return true;
    }
  }
  error = QStringLiteral("「%1」: 値は stop= date= time= route= ticket= index= company= で渡します")
              .arg(assignment);
  return false;
}

bool renderPlugin(const QString& path, const QString& png, double scale,
                  const ticket::FieldValues& values, QStringList& messages,
                  ticket::TicketHelper& helper) {
  const ticket::Loaded loaded = ticket::loadPlugin(path, ticket::Reading::Checked);
  if (!loaded.plugin) {
    messages = problemLines(path, loaded.problems);
    return false;
  }
  const QSize size = (QSizeF(previewSize(loaded.plugin->description)) * scale).toSize();
  if (!ticket::validTicketSize(size)) {
    messages << QStringLiteral(
                    "%1: %2×%3 ピクセルの券は大きすぎます(一辺 %4、合わせて %5 ピクセルまで)")
                    .arg(path)
                    .arg(size.width())
                    .arg(size.height())
                    .arg(ticket::kMaxTicketSide)
                    .arg(ticket::kMaxTicketPixels);
    return false;
  }
  const ticket::DrawResult r = helper.drawNow({path, size, values});
  if (r.failure != ticket::DrawFailure::None) {
    messages = problemLines(path, failureProblems(r, helper.limits(), QStringLiteral("券")));
    return false;
  }
  for (const ticket::Problem& p : r.problems)
    if (!p.warning) messages << located(path, p);
  const QImage& image = r.image;
  if (!image.save(png, "PNG")) {
    messages << QStringLiteral("%1: 書き込めません").arg(png);
    return false;
  }
  return true;
}

int serveTickets() {
  // Fonts are looked up once before the first order's clock starts.
  QImage warm(16, 16, QImage::Format_RGB32);
  QPainter p(&warm);
  for (const char* face : {"gothic", "mincho", "pgothic"}) {
    p.setFont(QFont(ticket::familyOf(QLatin1String(face))));
    p.drawText(0, 12, QStringLiteral("券"));
  }
  p.end();
  return sandbox::serve(
      [](const sandbox::Frame& request, sandbox::Replies& out) {
        std::optional<ticket::DrawOrder> order;
        if (request.kind == ticket::kDrawKind) order = ticket::decodeOrder(request.payload);
        ticket::DrawReply reply;
        if (order)
          reply = ticket::drawOrder(*order);
        else
          reply.problems.push_back(
              {{}, QStringLiteral("読めない注文です(種類 %1)").arg(request.kind)});
        out.reply(reply.drawn ? ticket::kDrawnKind : ticket::kRefusedKind,
                  ticket::encodeReply(reply));
      },
      ticket::kMaxOrderBytes);
}

}  // namespace sorane::tickettool
