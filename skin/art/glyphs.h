// The skin's pictures as vector drawings. Each function draws into `box` (any size) using a
// design grid of its own, so one drawing serves every size and pixel ratio.
#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>

namespace art {

// Line icons on a 24-unit grid.
enum class Glyph {
  CameraRoll, PhotoStream, AppPhotos, AppVideos, Messages, Attachment, Contacts, CallHistory,
  Notes, WhatsApp,
  Folder, Picture, Video,
  Menu, Minimize, Maximize, Restore, Close,
  Pause, Play, Stop, Home, Recover, Print, Back, FolderOpen, Scan, Retry, Link, Lock,
  Device, Backup,
};
void DrawGlyph(QPainter& p, const QRectF& box, Glyph glyph, const QColor& color,
               double stroke = 1.8);

void DrawDeletedMark(QPainter& p, const QRectF& box);
void DrawBackupImage(QPainter& p, const QRectF& box, bool locked);
void DrawSourceTile(QPainter& p, const QRectF& box, Glyph glyph);
void DrawSwitch(QPainter& p, const QRectF& box, bool on);
enum class BoxIcon { Error, Confirmation, Information, Warning, Question };
void DrawBoxIcon(QPainter& p, const QRectF& box, BoxIcon icon);
void DrawLogo(QPainter& p, const QRectF& box);
enum class Scene { Connect, Ready, NoSoftware };
void DrawScene(QPainter& p, const QRectF& box, Scene scene);

// One frame of an animation, `t` running from 0 to 1 over the loop.
void DrawSpinnerFrame(QPainter& p, const QRectF& box, double t);
void DrawDeviceScanFrame(QPainter& p, const QRectF& box, double t);
void DrawBackupScanFrame(QPainter& p, const QRectF& box, double t);

}  // namespace art
