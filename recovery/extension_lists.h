// The file extensions the program treats as pictures, audio and video.
#pragma once

#include <string_view>

namespace vesmar {

inline constexpr std::u16string_view kImageExtensions =
    u"*.bmp|*.gif|*.jpg|*.jpeg|*.png|*.psd|*.tif|*.tiff|*.pcx|*.scr|*.ico|*.nef|*.nrw|*.crw|*.cr2|"
    u"*.sr2|*.arw|*.srf|*.divu|*.pgm|*.k25|*.kdc|*.dcr|*.raf|*.iff|*.pbm|*.mef|*.jp2|*.mos|*.x3f|"
    u"*.orf|*.erf|*.indd|*.pef|*.psp|*.mrw|*.dng|*.raw|*.pct|*.tga";
inline constexpr std::u16string_view kAudioExtensions =
    u"*.mp3|*.wav|*.aiff|*.rps|*.mid|*.midi|*.m4a|*.m4p|*.au|*.ogg|*.wma|*.rm|*.ra|*.acd|*.amr|"
    u"*.at3|*.caf|*.dss|*.m4r|*.nra|*.snd";
inline constexpr std::u16string_view kVideoExtensions =
    u"*.rmvb|*.rm|*.mpeg|*.mov|*.avi|*.wmv|*.asf|*.mp4|*.flv|*.fla|*.swf|*.ape|*.m4v|*.3gp|*.dv|"
    u"*.3g2|*.m4b|*.mkv|*.mts|*.divx|*.ogm|*.moi|*.vob|*.ajp|*.f4v|*.mqv|*.svi|*.vid|*.tod|"
    u"*.hdmov|*.mod|*.m2t|*.lrv";

// The text after a file name's last dot, lower-cased; empty without a dot.
std::u16string FileExtensionLower(std::u16string_view fileName);

// True when `extension` equals one entry of `list` (the text after its "*.").
bool ExtensionInList(std::u16string_view extension, std::u16string_view list);

// App files whose extension is a video or audio one are listed as App Videos, others as App Photos.
bool IsVideoOrAudioFileName(std::u16string_view fileName);

}  // namespace vesmar
