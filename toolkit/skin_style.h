// The program's look: the skin's style sheet, the font, and the drawing of the small indicators
// (check boxes, tree arrows) that a style sheet cannot draw without pictures.
#pragma once

class QApplication;

namespace vesmar {

// The accent colour of the skin; the style sheet uses the same value.
inline constexpr unsigned kAccentColor = 0xFF2563EB;

void ApplySkinStyle(QApplication& app);

}  // namespace vesmar
