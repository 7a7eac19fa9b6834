// The skin's colours: one accent, neutral greys, and the signal colours of the message boxes.
#pragma once

#include <QColor>

namespace art {

inline const QColor kAccent(0x25, 0x63, 0xEB);
inline const QColor kAccentDark(0x1D, 0x4E, 0xD8);
inline const QColor kAccentLight(0x3B, 0x82, 0xF6);
inline const QColor kAccentSoft(0xDB, 0xEA, 0xFE);
inline const QColor kAccentWash(0xEF, 0xF6, 0xFF);
inline const QColor kInk(0x1F, 0x29, 0x37);
inline const QColor kMuted(0x64, 0x74, 0x8B);
inline const QColor kLine(0xE5, 0xE7, 0xEB);
inline const QColor kTrack(0xCB, 0xD5, 0xE1);
inline const QColor kDanger(0xDC, 0x26, 0x26);
inline const QColor kWarning(0xD9, 0x77, 0x06);
inline const QColor kSuccess(0x16, 0xA3, 0x4A);
inline const QColor kDeleted(0xF3, 0x73, 0x02);  // the colour of deleted items everywhere

}  // namespace art
