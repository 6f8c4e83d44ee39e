// The few colours every icon of the program shares, so that the toolbar, the program icon and
// the dialog icon read as one set. The packaged SVG icon uses the same values.
#pragma once

#include <QColor>

namespace tarvos::icon_palette {

inline QColor Outline() { return QColor(0x2b, 0x2b, 0x2b); }
inline QColor Paper() { return QColor(0xff, 0xff, 0xff); }
inline QColor PaperFold() { return QColor(0xd0, 0xd4, 0xdc); }
inline QColor TextLine() { return QColor(0x8c, 0x8c, 0x8c); }
inline QColor Grid() { return QColor(0xc8, 0xcc, 0xd4); }
inline QColor Metal() { return QColor(0xc4, 0xc8, 0xcc); }
inline QColor MetalDark() { return QColor(0x70, 0x74, 0x78); }
inline QColor Blue() { return QColor(0x1f, 0x5f, 0xbf); }
inline QColor BlueDark() { return QColor(0x12, 0x3a, 0x7a); }
inline QColor Red() { return QColor(0xd0, 0x28, 0x28); }
inline QColor Green() { return QColor(0x22, 0xa0, 0x44); }
inline QColor GreenDark() { return QColor(0x14, 0x64, 0x2a); }
inline QColor Folder() { return QColor(0xf2, 0xc4, 0x4a); }
inline QColor FolderDark() { return QColor(0xc8, 0x90, 0x20); }
inline QColor Gold() { return QColor(0xe8, 0xb8, 0x30); }
inline QColor Screen() { return QColor(0x10, 0x2c, 0x24); }
inline QColor Trace() { return QColor(0x50, 0xe8, 0x70); }

}  // namespace tarvos::icon_palette
