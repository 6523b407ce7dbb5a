#pragma once
// The drawings of the resource library. Every function draws from scratch with QPainter, so
// the same build always yields the same pixels.
#include <QImage>
#include <QString>

namespace rcgen {

// Shared look: a dark slate ground with a cool teal accent.
namespace palette {
inline constexpr QRgb kInk = 0xFF2F3A52;
inline constexpr QRgb kAccent = 0xFF2A9DB5;
inline constexpr QRgb kAccentLight = 0xFF6FD0E0;
inline constexpr QRgb kNight = 0xFF1B2030;
inline constexpr QRgb kNightLight = 0xFF2A3148;
inline constexpr QRgb kPaper = 0xFFECEFF4;
inline constexpr QRgb kPurpleKey = 0xFF800080;
inline constexpr QRgb kMenuGround = 0xFFF2F2F2;
}  // namespace palette

// Loads the bundled Japanese face; false when it is not installed.
bool LoadFonts();
QString UiFamily();

// ARGB pictures, 16 x 16, drawn on transparency.
QImage MenuIcon(const QString& name);

QImage Wallpaper();                               // 64 x 64 tile, opaque
QImage TitlePicture();                            // opaque
QImage DialogButton(bool ok, bool pressed);       // opaque, on the wallpaper's ground colour
QImage SandPattern(int step, bool white);         // 8 x 8, black and white
QImage MessageWindow();                           // ARGB with soft alpha
QImage GalleryBackground();                       // 800 x 600 opaque
QImage NeverSeen();                               // 160 x 120 opaque
QImage GalleryButton(const QString& kind, bool pressed);  // ARGB, hard edges after flattening
QByteArray AboutDocument();                       // RTF bytes
// The program's own icon, size x size ARGB: the title picture's night sky, glow and lettering
// in a rounded square.
QImage ProgramIcon(int size);

}  // namespace rcgen
