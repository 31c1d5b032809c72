#pragma once
// The window's pictures: one per stream kind (the state images of the stream list) and the
// glyphs of the up and help buttons. Drawn as shapes at whatever size and pixel density they are
// shown, so they stay crisp on any screen.

#include <QIcon>

namespace sondrel::app {

constexpr int kStreamKindImages = 10;

// Index 0 to 8: data, extended attributes, security, alternate data, link, property data,
// object id, reparse data, sparse block; 9: any other kind.
[[nodiscard]] QIcon StreamKindImage(int index);
[[nodiscard]] QIcon UpFolderGlyph();
[[nodiscard]] QIcon HelpGlyph();

} // namespace sondrel::app
