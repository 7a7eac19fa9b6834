// Draws every picture of the skin into a folder: skin_art <output folder>
//
// Controls.png holds the small pictures at fixed places that the program and the layouts cut out
// by source rectangle (x1,y1,x2,y2):
//   y 0     16 x 16 title glyphs, dark: menu 0, minimize 16, maximize 32, restore 48, close 64
//   y 40    32 x 32 source options: device accent 0, device white 32, backup accent 64,
//           backup white 96
//   y 80    16 x 16 tool glyphs, white; y 96 the same in the accent colour; y 112 in grey:
//           pause 0, play 16, stop 32, home 48, recover 64, print 80, back 96, folder 112,
//           scan 128, retry 144, link 160, lock 176
//   y 312   16 x 16 deleted mark at x 182
//   y 410   18 x 18 category icons at x 1 + 18 n: camera roll, photo stream, app photos,
//           app videos, messages, attachments, contacts, call history, notes, WhatsApp
//   y 436   48 x 26 backups: unlocked at x 2, locked at x 53
//   y 465   18 x 18 rows: folder at x 2, picture at x 29, video at x 56
//   y 505   55 x 55 sources: device at x 0, backup at x 56
// Every PNG is also written at twice the size as <name>@2x.png for high-density screens.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <functional>

#include "gif_writer.h"
#include "glyphs.h"
#include "palette.h"

using namespace art;

namespace {

using Drawing = std::function<void(QPainter&)>;

bool SavePng(const QString& folder, const QString& name, QSize size, const Drawing& draw) {
  for (int scale : {1, 2}) {
    QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
      QPainter p(&image);
      p.setRenderHint(QPainter::Antialiasing);
      p.scale(scale, scale);
      draw(p);
    }
    QString file = name;
    if (scale == 2) file.insert(file.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
    const QString path = folder + QLatin1Char('/') + file;
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path, "PNG", 9)) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
      return false;
    }
  }
  return true;
}

bool SaveGif(const QString& folder, const QString& name, QSize size, int frames, int delayMs,
             const std::function<void(QPainter&, double)>& draw) {
  QList<GifFrame> list;
  for (int i = 0; i < frames; ++i) {
    // Drawn at twice the size and reduced, which smooths the edges better than direct drawing.
    QImage big(size * 2, QImage::Format_RGB32);
    big.fill(Qt::white);
    {
      QPainter p(&big);
      p.setRenderHint(QPainter::Antialiasing);
      p.scale(2, 2);
      draw(p, static_cast<double>(i) / frames);
    }
    list.append({big.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), delayMs});
  }
  // Palette: ramps from white to each colour the animations use, and between the two blues.
  QVector<QRgb> palette;
  auto ramp = [&palette](QColor a, QColor b, int steps) {
    for (int i = 0; i < steps; ++i) {
      const double t = steps == 1 ? 0 : static_cast<double>(i) / (steps - 1);
      palette.append(qRgb(qRound(a.red() + (b.red() - a.red()) * t),
                          qRound(a.green() + (b.green() - a.green()) * t),
                          qRound(a.blue() + (b.blue() - a.blue()) * t)));
    }
  };
  ramp(Qt::white, kAccent, 72);
  ramp(Qt::white, kAccentDark, 24);
  ramp(kAccentWash, kAccent, 48);
  ramp(kAccentWash, kAccentSoft, 8);
  ramp(kAccentSoft, kAccent, 32);
  ramp(Qt::white, kLine, 12);
  ramp(kLine, kAccent, 32);
  ramp(Qt::white, kAccentLight, 24);
  QFile file(folder + QLatin1Char('/') + name);
  if (!file.open(QIODevice::WriteOnly) || file.write(EncodeGif(list, palette)) < 0) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
    return false;
  }
  return true;
}

void DrawControls(QPainter& p) {
  const Glyph title[] = {Glyph::Menu, Glyph::Minimize, Glyph::Maximize, Glyph::Restore, Glyph::Close};
  for (int i = 0; i < 5; ++i) DrawGlyph(p, QRectF(i * 16, 0, 16, 16), title[i], kInk, 1.6);

  DrawGlyph(p, QRectF(0, 40, 32, 32), Glyph::Device, kAccent, 1.6);
  DrawGlyph(p, QRectF(32, 40, 32, 32), Glyph::Device, Qt::white, 1.6);
  DrawGlyph(p, QRectF(64, 40, 32, 32), Glyph::Backup, kAccent, 1.6);
  DrawGlyph(p, QRectF(96, 40, 32, 32), Glyph::Backup, Qt::white, 1.6);

  const Glyph tools[] = {Glyph::Pause, Glyph::Play, Glyph::Stop, Glyph::Home, Glyph::Recover,
                         Glyph::Print, Glyph::Back, Glyph::FolderOpen, Glyph::Scan, Glyph::Retry,
                         Glyph::Link, Glyph::Lock};
  const QColor toolColors[] = {Qt::white, kAccent, kMuted};
  for (int row = 0; row < 3; ++row) {
    for (int i = 0; i < 12; ++i) {
      DrawGlyph(p, QRectF(i * 16, 80 + row * 16, 16, 16), tools[i], toolColors[row], 2.0);
    }
  }

  DrawDeletedMark(p, QRectF(182, 312, 16, 16));

  const Glyph categories[] = {Glyph::CameraRoll, Glyph::PhotoStream, Glyph::AppPhotos,
                              Glyph::AppVideos,  Glyph::Messages,    Glyph::Attachment,
                              Glyph::Contacts,   Glyph::CallHistory, Glyph::Notes,
                              Glyph::WhatsApp};
  for (int i = 0; i < 10; ++i) DrawGlyph(p, QRectF(1 + 18 * i, 410, 18, 18), categories[i], kAccent, 1.9);

  DrawBackupImage(p, QRectF(2, 436, 48, 26), false);
  DrawBackupImage(p, QRectF(53, 436, 48, 26), true);

  DrawGlyph(p, QRectF(2, 465, 18, 18), Glyph::Folder, kAccent, 1.7);
  DrawGlyph(p, QRectF(29, 465, 18, 18), Glyph::Picture, kMuted, 1.8);
  DrawGlyph(p, QRectF(56, 465, 18, 18), Glyph::Video, kMuted, 1.8);

  DrawSourceTile(p, QRectF(0, 505, 55, 55), Glyph::Device);
  DrawSourceTile(p, QRectF(56, 505, 55, 55), Glyph::Backup);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: skin_art <output folder>\n");
    return 64;
  }
  QGuiApplication app(argc, argv);
  const QString out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(out);
  bool ok = SavePng(out, QStringLiteral("Controls.png"), {256, 576}, DrawControls);
  ok &= SavePng(out, QStringLiteral("optionOn.png"), {78, 19},
                [](QPainter& p) { DrawSwitch(p, QRectF(0, 0, 78, 19), true); });
  ok &= SavePng(out, QStringLiteral("optionOff.png"), {78, 19},
                [](QPainter& p) { DrawSwitch(p, QRectF(0, 0, 78, 19), false); });
  const std::pair<const char*, BoxIcon> boxes[] = {{"error", BoxIcon::Error},
                                                   {"confirmation", BoxIcon::Confirmation},
                                                   {"information", BoxIcon::Information},
                                                   {"warning", BoxIcon::Warning},
                                                   {"question", BoxIcon::Question}};
  for (const auto& [name, icon] : boxes) {
    ok &= SavePng(out, QStringLiteral("MessageBox/%1.png").arg(QLatin1String(name)), {48, 48},
                  [icon = icon](QPainter& p) { DrawBoxIcon(p, QRectF(0, 0, 48, 48), icon); });
  }
  ok &= SavePng(out, QStringLiteral("logo.png"), {20, 20},
                [](QPainter& p) { DrawLogo(p, QRectF(0, 0, 20, 20)); });
  ok &= SavePng(out, QStringLiteral("icon.png"), {128, 128},
                [](QPainter& p) { DrawLogo(p, QRectF(0, 0, 128, 128)); });
  const std::pair<const char*, Scene> scenes[] = {{"DeviceConnect.png", Scene::Connect},
                                                  {"DeviceReady.png", Scene::Ready},
                                                  {"DeviceNoSoftware.png", Scene::NoSoftware}};
  for (const auto& [name, scene] : scenes) {
    ok &= SavePng(out, QLatin1String(name), {160, 120},
                  [scene = scene](QPainter& p) { DrawScene(p, QRectF(0, 0, 160, 160), scene); });
  }
  ok &= SaveGif(out, QStringLiteral("loading.gif"), {64, 64}, 24, 40,
                [](QPainter& p, double t) { DrawSpinnerFrame(p, QRectF(0, 0, 64, 64), t); });
  ok &= SaveGif(out, QStringLiteral("DeviceScanning.gif"), {48, 48}, 28, 50,
                [](QPainter& p, double t) { DrawDeviceScanFrame(p, QRectF(0, 0, 48, 48), t); });
  ok &= SaveGif(out, QStringLiteral("iTunesScanning.gif"), {48, 48}, 24, 60,
                [](QPainter& p, double t) { DrawBackupScanFrame(p, QRectF(0, 0, 48, 48), t); });
  return ok ? 0 : 1;
}
